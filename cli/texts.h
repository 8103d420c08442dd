// Every text of the command-line program, in English and in Russian: one table, looked
// up by position. "{1}" to "{3}" stand for the arguments of a text.
#pragma once

#include "device/port_open_error.h"

#include <iterator>
#include <string_view>

namespace rfprog::cli {

enum class Language { English, Russian };

enum class Text {
    // Usage errors.
    UnknownOption,
    MissingValue,
    BadNumber,
    NumberTooLarge,
    LengthZero,
    BlockPastEnd,
    BlockPastAddressSpace,
    BadFormat,
    UnknownOperation,
    MissingOperation,
    MissingFile,
    ExtraArgument,
    OptionNotForOperation,
    PortNamesNothing,
    UnusableBase,
    BadEcr,
    EcrNotForPort,
    BadReads,
    BadSimSetting,
    NeedTerminal,
    HelpHint,
    // File errors.
    FileCannotOpen,
    FileTooShort,
    FileCannotWrite,
    // Record files: "FILE:LINE: " and what is wrong; the last two are warnings.
    RecordFileTooLarge,
    RecordMalformed,
    RecordNotHexadecimal,
    RecordLengthMismatch,
    RecordChecksum,
    RecordUnknownType,
    RecordAfterEnd,
    RecordPast32Bits,
    RecordConflict,
    RecordTooMany,
    RecordNoData,
    RecordEndMissing,
    RecordCountMismatch,
    TraceCannotWrite,
    SimFileCannotWrite,
    // Port errors: "port X: " and one sentence per reason, in PortOpenError order.
    PortError,
    PortLibraryMissing,
    PortDriverNotOpen,
    PortDeviceMissing,
    PortPermissionDenied,
    PortBusy,
    PortNotBidirectional,
    PortRawAccessDenied,
    PortEcrMissing,
    PortUnsupported,
    PortFailed,
    // Results.
    ReadDone,
    ReadMajorityDone,
    ReadNotWritten,
    ReadIntoRecordDone,
    WriteDone,
    EmulatorDone,
    WriteMismatch,
    EmulatorMismatch,
    NotProgrammable,
    VerifyMatch,
    VerifyMismatch,
    // What a result line adds for a record file.
    ResultFileAddress,
    ResultUndefinedKept,
    ResultUndefinedNotCompared,
    BlankDone,
    NotBlank,
    TimerAnswered,
    TimerSilent,
    SelfTestPassed,
    SelfTestFailed,
    EmulatorSilent,
    IdleDone,
    Interrupted,
    Version,
    // Reports.
    DifferenceLine,
    NotBlankLine,
    DifferenceCount,
    NeedsErasingCount,
    BitSummary,
    BitAlwaysLow,
    BitAlwaysHigh,
    AddressLineAliased,
    UnstablePasses,
    UnstableLine,
    UnstableCount,
    DataLineStuckLow,
    DataLineStuckHigh,
    DataLinesShorted,
    SelfTestAddressLine,
    SelfTestUnexplained,
    // Questions and the voltage hold.
    AskEmulatorWrite,
    AskEmulatorRead,
    AskRemoveChip,
    AnsweredByYes,
    HoldVoltage,
    // Progress.
    ProgressRead,
    ProgressCheck,
    ProgressWrite,
    ProgressLoad,
    ProgressVerify,
    ProgressBlank,
    ProgressLeft,
    // The --help text.
    Help,
};

struct TextEntry {
    Text id;
    std::string_view english;
    std::string_view russian;
};

inline constexpr TextEntry TextTable[] = {
    {Text::UnknownOption, "unknown option {1}", "неизвестный параметр {1}"},
    {Text::MissingValue, "option {1} needs a value", "параметру {1} нужно значение"},
    {Text::BadNumber, "{1} {2}: not a number (decimal, or hexadecimal with 0x)",
     "{1} {2}: это не число (десятичное или шестнадцатеричное с 0x)"},
    {Text::NumberTooLarge, "{1} {2}: at most {3}", "{1} {2}: не больше {3}"},
    {Text::LengthZero, "--length 0: a block holds at least one byte",
     "--length 0: в блоке должен быть хотя бы один байт"},
    {Text::BlockPastEnd,
     "the block runs past the end of the ROM: ROM offset {1} + length {2} is more than 0x800",
     "блок выходит за конец ПЗУ: смещение в ПЗУ {1} + длина {2} больше 0x800"},
    {Text::BlockPastAddressSpace,
     "the block runs past the record file's 32-bit addresses: file offset {1} + length {2} is "
     "more than 0x100000000",
     "блок выходит за 32-битные адреса файла записей: смещение в файле {1} + длина {2} больше "
     "0x100000000"},
    {Text::BadFormat, "--format {1}: use raw, ihex or srec",
     "--format {1}: используйте raw, ihex или srec"},
    {Text::UnknownOperation,
     "unknown operation {1}: use read, write, verify, blank, timer, selftest or idle",
     "неизвестная операция {1}: используйте read, write, verify, blank, timer, selftest или idle"},
    {Text::MissingOperation,
     "no operation given: use read, write, verify, blank, timer, selftest or idle",
     "не задана операция: используйте read, write, verify, blank, timer, selftest или idle"},
    {Text::MissingFile, "{1} needs a FILE", "операции {1} нужен ФАЙЛ"},
    {Text::ExtraArgument, "unexpected argument {1}", "лишний аргумент {1}"},
    {Text::OptionNotForOperation, "option {1} does not apply to {2}",
     "параметр {1} не относится к {2}"},
    {Text::PortNamesNothing,
     "--port {1} names no port: use lpt1, lpt2, lpt3, a base address such as 0xD010, "
     "/dev/parportN, sim or sim:ROMFILE",
     "--port {1} не задаёт порт: используйте lpt1, lpt2, lpt3, базовый адрес вроде 0xD010, "
     "/dev/parportN, sim или sim:ФАЙЛ_ПЗУ"},
    {Text::UnusableBase, "--port {1}: a base address is a multiple of 4 from 0x100 to 0xFFF8",
     "--port {1}: базовый адрес кратен 4 и лежит от 0x100 до 0xFFF8"},
    {Text::BadEcr, "--ecr {1}: an address from 0x100 to 0xFFFF",
     "--ecr {1}: нужен адрес от 0x100 до 0xFFFF"},
    {Text::EcrNotForPort, "--ecr applies only to a port given as lpt1..lpt3 or a base address",
     "--ecr относится только к порту, заданному как lpt1..lpt3 или базовым адресом"},
    {Text::BadReads, "--reads {1}: the number of passes is 1 to 16",
     "--reads {1}: число чтений — от 1 до 16"},
    {Text::BadSimSetting, "{1}={2}: the simulated board does not understand this value",
     "{1}={2}: модель программатора не понимает это значение"},
    {Text::NeedTerminal,
     "{1} asks the operator to act, but standard input is not a terminal: run it on a "
     "terminal, or add --yes",
     "операция {1} просит оператора о действии, но стандартный ввод не терминал: запустите "
     "её в терминале или добавьте --yes"},
    {Text::HelpHint, "Try rfprog-cli --help.", "Справка: rfprog-cli --help."},

    {Text::FileCannotOpen, "cannot read {1}: it is missing, a directory, or not readable",
     "не удаётся прочитать {1}: файла нет, это папка или нет прав на чтение"},
    {Text::FileTooShort, "{1} is too short: the block needs {2} bytes from file offset {3}",
     "{1} слишком короткий: блоку нужно {2} байт от смещения {3} в файле"},
    {Text::FileCannotWrite,
     "cannot write {1}: check the name, the folder, the rights and the free space",
     "не удаётся записать {1}: проверьте имя, папку, права и свободное место"},
    {Text::RecordFileTooLarge, "{1}: more than 1048576 bytes, too large for a record file",
     "{1}: больше 1048576 байт, слишком большой файл записей"},
    {Text::RecordMalformed, "{1}:{2}: not a well-formed record",
     "{1}:{2}: запись построена неправильно"},
    {Text::RecordNotHexadecimal, "{1}:{2}: a character that is not a hexadecimal digit",
     "{1}:{2}: символ, который не является шестнадцатеричной цифрой"},
    {Text::RecordLengthMismatch, "{1}:{2}: the record's length disagrees with the line",
     "{1}:{2}: длина записи не соответствует строке"},
    {Text::RecordChecksum, "{1}:{2}: the record's checksum does not match",
     "{1}:{2}: контрольная сумма записи не совпадает"},
    {Text::RecordUnknownType, "{1}:{2}: a record type this format does not have",
     "{1}:{2}: в этом формате нет такого типа записи"},
    {Text::RecordAfterEnd, "{1}:{2}: a record after the end record",
     "{1}:{2}: запись после завершающей записи"},
    {Text::RecordPast32Bits, "{1}:{2}: the record runs past address 0xFFFFFFFF",
     "{1}:{2}: запись выходит за адрес 0xFFFFFFFF"},
    {Text::RecordConflict,
     "{1}:{2}: the record gives an address a different byte than an earlier line does",
     "{1}:{2}: запись задаёт адресу другой байт, чем одна из предыдущих строк"},
    {Text::RecordTooMany, "{1}:{2}: more than 65536 data records",
     "{1}:{2}: больше 65536 записей данных"},
    {Text::RecordNoData,
     "{1}: no data in the block: the file defines nothing from address {2} to {3}",
     "{1}: в блоке нет данных: файл ничего не задаёт с адреса {2} по {3}"},
    {Text::RecordEndMissing,
     "{1}:{2}: warning: the file ends without an end record; it may be incomplete",
     "{1}:{2}: предупреждение: файл кончается без завершающей записи; возможно, он неполный"},
    {Text::RecordCountMismatch,
     "{1}: warning: an S5/S6 record count disagrees with the data records before it",
     "{1}: предупреждение: счётчик записей S5/S6 не совпадает с числом записей данных перед ним"},
    {Text::TraceCannotWrite, "cannot write the trace file {1}",
     "не удаётся записать файл трассировки {1}"},
    {Text::SimFileCannotWrite, "cannot keep the simulated board's memory in {1}",
     "не удаётся сохранить память модели программатора в {1}"},

    {Text::PortError, "port {1}: {2}", "порт {1}: {2}"},
    {Text::PortLibraryMissing,
     "the port library {1} was not found: put it beside rfprog-cli.exe (see INPOUT32.txt)",
     "не найдена библиотека порта {1}: положите её рядом с rfprog-cli.exe (см. INPOUT32.txt)"},
    {Text::PortDriverNotOpen,
     "the driver of {1} did not open: run rfprog-cli once as administrator",
     "драйвер {1} не открылся: один раз запустите rfprog-cli от имени администратора"},
    {Text::PortDeviceMissing,
     "the parallel port device is missing: load the kernel modules parport_pc and ppdev",
     "нет устройства параллельного порта: загрузите модули ядра parport_pc и ppdev"},
    {Text::PortPermissionDenied,
     "no access to the parallel port device: add your user to the group lp and log in again",
     "нет доступа к устройству параллельного порта: добавьте пользователя в группу lp и "
     "войдите заново"},
    {Text::PortBusy, "another driver holds the port: unload the module lp (rmmod lp)",
     "порт занят другим драйвером: выгрузите модуль lp (rmmod lp)"},
    {Text::PortNotBidirectional,
     "the port cannot read its data lines: set it to PS/2, bidirectional or ECP+PS/2 mode in "
     "the BIOS",
     "порт не может читать линии данных: включите в BIOS режим PS/2, двунаправленный "
     "(Bi-Directional) или ECP+PS/2"},
    {Text::PortRawAccessDenied,
     "direct port access was refused: run as root or grant CAP_SYS_RAWIO; if Secure Boot "
     "lockdown forbids it (see /sys/kernel/security/lockdown), use --port /dev/parportN",
     "прямой доступ к порту запрещён: запустите от root или дайте право CAP_SYS_RAWIO; если "
     "его запрещает блокировка Secure Boot (см. /sys/kernel/security/lockdown), используйте "
     "--port /dev/parportN"},
    {Text::PortEcrMissing,
     "no extended control register answered at the --ecr address: check it, or leave --ecr out",
     "по адресу --ecr не отвечает расширенный регистр управления: проверьте адрес или "
     "уберите --ecr"},
    {Text::PortUnsupported,
     "this kind of port cannot be used on this system: use another --port, or sim for a dry run",
     "такой порт на этой системе недоступен: выберите другой --port или sim для пробы"},
    {Text::PortFailed, "the system could not open or use the port",
     "система не смогла открыть порт или работать с ним"},

    {Text::ReadDone, "read: {1} bytes from ROM {2} written into {3} at offset {4}",
     "чтение: {1} байт из ПЗУ с адреса {2} записаны в {3} со смещения {4}"},
    {Text::ReadMajorityDone,
     "read: {1} bytes from ROM {2} written into {3} at offset {4}, each bit as most of the {5} "
     "passes read it",
     "чтение: {1} байт из ПЗУ с адреса {2} записаны в {3} со смещения {4}, каждый бит — как "
     "его прочитало большинство из {5} чтений"},
    {Text::ReadNotWritten,
     "read: nothing written: the passes disagree, and an even number of passes has no "
     "majority (an odd --reads of 3 or more writes it)",
     "чтение: ничего не записано: чтения не совпали, а при чётном числе чтений нет "
     "большинства (нечётное --reads от 3 записывает его)"},
    {Text::ReadIntoRecordDone, "read: {1} bytes from ROM {2} written into {3} at address {4}",
     "чтение: {1} байт из ПЗУ с адреса {2} записаны в {3} по адресу {4}"},
    {Text::WriteDone, "write: {1} bytes at ROM {2} verified: {3} programmed, {4} already held",
     "запись: {1} байт с адреса ПЗУ {2} проверены: записано {3}, уже было {4}"},
    {Text::EmulatorDone, "write: {1} bytes at ROM {2} loaded into the emulator and verified",
     "запись: {1} байт с адреса ПЗУ {2} загружены в эмулятор и проверены"},
    {Text::WriteMismatch, "write: the ROM does not match the file after programming",
     "запись: после записи ПЗУ не совпадает с файлом"},
    {Text::EmulatorMismatch, "write: the emulator does not match the file after loading",
     "запись: после загрузки эмулятор не совпадает с файлом"},
    {Text::NotProgrammable,
     "write: refused, nothing programmed: a bit would have to go from 0 to 1, which only "
     "erasing does (erase the ROM, or add --force)",
     "запись: отказ, ничего не записано: бит пришлось бы перевести из 0 в 1, а это делает "
     "только стирание (сотрите ПЗУ или добавьте --force)"},
    {Text::VerifyMatch, "verify: {1} bytes at ROM {2} match the file",
     "сравнение: {1} байт с адреса ПЗУ {2} совпадают с файлом"},
    {Text::VerifyMismatch, "verify: the ROM differs from the file",
     "сравнение: ПЗУ отличается от файла"},
    {Text::ResultFileAddress, ", file address {1}", ", адрес в файле {1}"},
    {Text::ResultUndefinedKept, "; {1} bytes not in the file left as they were",
     "; {1} байт, которых нет в файле, оставлены как были"},
    {Text::ResultUndefinedNotCompared, "; {1} bytes not in the file not compared",
     "; {1} байт, которых нет в файле, не сравнивались"},
    {Text::BlankDone, "blank: {1} bytes at ROM {2} read FF",
     "чистота: {1} байт с адреса ПЗУ {2} равны FF"},
    {Text::NotBlank, "blank: the ROM is not blank", "чистота: ПЗУ не стёрто"},
    {Text::TimerAnswered, "timer: the board's timer answered", "таймер: таймер платы ответил"},
    {Text::TimerSilent, "timer: the board's timer did not answer",
     "таймер: таймер платы не ответил"},
    {Text::SelfTestPassed, "board self-test passed", "самопроверка платы пройдена"},
    {Text::SelfTestFailed, "board self-test failed", "самопроверка платы не пройдена"},
    {Text::EmulatorSilent, "the emulator did not answer (nothing loaded reads back)",
     "эмулятор не ответил (ничего из загруженного не читается)"},
    {Text::IdleDone, "idle: the port's control lines are at 0x00 (programming voltage off)",
     "покой: линии управления порта в 0x00 (напряжение программирования выключено)"},
    {Text::Interrupted, "interrupted; the programming voltage is off",
     "прервано; напряжение программирования выключено"},
    {Text::Version, "rfprog-cli {1}", "rfprog-cli {1}"},

    {Text::DifferenceLine, "{1}: file {2}, ROM {3}", "{1}: файл {2}, ПЗУ {3}"},
    {Text::NotBlankLine, "{1}: ROM {3} instead of {2}", "{1}: ПЗУ {3} вместо {2}"},
    {Text::DifferenceCount, "differing bytes: {1} of {2}", "различающихся байтов: {1} из {2}"},
    {Text::NeedsErasingCount, "bytes that need a bit from 0 to 1: {1} of {2}",
     "байтов, где бит должен перейти из 0 в 1: {1} из {2}"},
    {Text::BitSummary, "bits read as 0 instead of 1: {1}; read as 1 instead of 0: {2}",
     "битов прочитано 0 вместо 1: {1}; 1 вместо 0: {2}"},
    {Text::BitAlwaysLow, "data bit {1} always reads 0: stuck line or open contact?",
     "бит данных {1} всегда читается как 0: залипшая линия или нет контакта?"},
    {Text::BitAlwaysHigh, "data bit {1} always reads 1: stuck line or short circuit?",
     "бит данных {1} всегда читается как 1: залипшая линия или замыкание?"},
    {Text::AddressLineAliased,
     "address line A{1}: the ROM reads the same at addresses that differ only in A{1}: stuck "
     "or open line?",
     "адресная линия A{1}: ПЗУ читается одинаково по адресам, которые различаются только в "
     "A{1}: залипшая линия или обрыв?"},
    {Text::UnstablePasses,
     "{1}: the passes disagree: some bits read differently from one pass to the next",
     "{1}: чтения не совпали: некоторые биты читаются по-разному от чтения к чтению"},
    {Text::UnstableLine, "{1}: read {2}; bits that changed: {3}",
     "{1}: прочитано {2}; менялись биты: {3}"},
    {Text::UnstableCount, "unstable bytes: {1} of {2}", "неустойчивых байтов: {1} из {2}"},
    {Text::DataLineStuckLow, "data line {1} stuck at 0", "линия данных {1} залипла в 0"},
    {Text::DataLineStuckHigh, "data line {1} stuck at 1", "линия данных {1} залипла в 1"},
    {Text::DataLinesShorted, "data lines {1} and {2} shorted",
     "линии данных {1} и {2} замкнуты между собой"},
    {Text::SelfTestAddressLine,
     "address line A{1} stuck, open or shorted: addresses that differ only in A{1} read the "
     "same",
     "адресная линия A{1} залипла, оборвана или замкнута: адреса, различающиеся только в "
     "A{1}, читаются одинаково"},
    {Text::SelfTestUnexplained,
     "no data or address line explains the differences: suspect the emulator's memory",
     "ни одна линия данных или адреса не объясняет различий: проверьте память эмулятора"},

    {Text::AskEmulatorWrite, "Switch the emulator to WRITE, then press Enter (Ctrl-C stops).",
     "Переключите эмулятор на запись и нажмите Enter (Ctrl-C — отмена)."},
    {Text::AskEmulatorRead, "Switch the emulator to READ, then press Enter (Ctrl-C stops).",
     "Переключите эмулятор на чтение и нажмите Enter (Ctrl-C — отмена)."},
    {Text::AskRemoveChip,
     "The ROM chip must be out of its socket. Remove it, then press Enter (Ctrl-C stops).",
     "Микросхема ПЗУ должна быть удалена из панели. Удалите её и нажмите Enter "
     "(Ctrl-C — отмена)."},
    {Text::AnsweredByYes, "(answered by --yes)", "(ответ дан параметром --yes)"},
    {Text::HoldVoltage, "Programming voltage is ON. Press Enter to switch it off.",
     "Напряжение программирования включено! Нажмите Enter, чтобы выключить."},

    {Text::ProgressRead, "read", "чтение"},
    {Text::ProgressCheck, "check", "проверка"},
    {Text::ProgressWrite, "write", "запись"},
    {Text::ProgressLoad, "load", "загрузка"},
    {Text::ProgressVerify, "verify", "сравнение"},
    {Text::ProgressBlank, "blank", "чистота"},
    {Text::ProgressLeft, "left {1}", "осталось {1}"},

    {Text::Help,
     R"(Usage: rfprog-cli [OPTIONS] OPERATION [FILE]

Drives the EPROM programmer board for 573RF2/573RF5 (2 KB) on a parallel port.

Operations:
  read FILE     read the block from the ROM into FILE at the file offset (a raw
                FILE is created if missing and never truncated; a record file
                gets the block in place of that range, its other records kept)
  write FILE    program the block from FILE into the ROM, then verify it; first
                refuses, changing nothing, when a bit would have to go from 0 to 1
                (pulses only the bytes the ROM does not already hold)
  verify FILE   compare the block of the ROM with FILE
  blank         check that the block reads FF
  timer         fire one test pulse and report whether the board's timer answered
  selftest      test the board's data lines and counter through the ROM emulator:
                load two patterns and read them back (no pulse, no chip at risk)
  idle          only set the board idle (programming voltage off), e.g. at boot

Block (numbers decimal, or hexadecimal with 0x; ROM offset + length <= 0x800):
  --rom-offset N    first ROM address of the block (default 0)
  --file-offset N   where the block starts in FILE (default 0, at most 0xFFFFFF;
                    in a record file its address, at most 0xFFFFFFFF, default
                    the file's base + the ROM offset)
  --length N        bytes in the block, 1 to 0x800 (default 0x800)
  --format FORMAT   FILE's format: raw, ihex (Intel HEX) or srec (S-records);
                    by default .hex .ihx .ihex are ihex, .s19 .s28 .s37 .srec
                    .mot are srec, anything else raw

A record file holds addresses, not a run of bytes. Its base, the lowest address
rounded down to 0x800 (0 for a new file), stands for ROM 0. write leaves the
bytes the file does not define as they are in the ROM; verify skips them.

Port:
  --port PORT   lpt1, lpt2, lpt3 (0x378, 0x278, 0x3BC), a base address such as
                0xD010, /dev/parportN (Linux), or the simulated board: sim, or
                sim:ROMFILE to keep its ROM in a file. Default: lpt1 on Windows,
                /dev/parport0 on Linux. The simulated board takes
                RFPROG_SIM_EMULATOR, RFPROG_SIM_TIMER and RFPROG_SIM_FAULTS.
  --ecr N       the port's extended control register (Linux, with lptN or an address)
  --trace FILE  write every port access into FILE, one line each ("W 37A 00")

Other options:
  --reads N     read, verify, blank and the verification of write: read the
                block N times, 1 to 16 (default: 2 for read, 1 for the others),
                and report the bits that do not read the same every time
  --force       write: skip the check for bits that would have to go from 0 to 1
                (then every byte but FF gets a pulse)
  --every-byte  write: a pulse for every byte of the block, held or not
  --emulator    write: load the ROM emulator instead of the ROM
  --hold        timer: then keep the programming voltage on until Enter
  -y, --yes     answer the questions that need the operator's hands (switch the
                emulator, remove the chip), for scripts
  -q, --quiet   no progress display
  -h, --help    this text
  --version     the program's name and version

read, write and verify end with a line of the block's checksums as the ROM
holds it: "crc32 XXXXXXXX  sha1 <40 hex digits>  sum16 XXXX".

Exit status:
  0    success
  1    the device answered but the result is negative: mismatch, not blank,
       not programmable, unstable reads, timer silent, self-test fault
  2    usage error
  3    the port cannot be opened or used
  4    a file cannot be read or written
  130  interrupted (the programming voltage is switched off first)
)",
     R"(Запуск: rfprog-cli [ПАРАМЕТРЫ] ОПЕРАЦИЯ [ФАЙЛ]

Работает с программатором ПЗУ 573РФ2/573РФ5 (2 КБ) на параллельном порту.

Операции:
  read ФАЙЛ     прочитать блок ПЗУ в ФАЙЛ по смещению в файле
                (двоичный файл создаётся, если его нет, и никогда не обрезается;
                в файле записей блок заменяет этот участок, прочие записи целы)
  write ФАЙЛ    записать блок из ФАЙЛА в ПЗУ и проверить; сначала отказывает,
                ничего не меняя, если бит пришлось бы перевести из 0 в 1;
                импульс получают только байты, которых в ПЗУ ещё нет
  verify ФАЙЛ   сравнить блок ПЗУ с ФАЙЛОМ
  blank         проверить, что блок читается как FF
  timer         подать один пробный импульс и сообщить, ответил ли таймер платы
  selftest      проверить линии данных и счётчик платы через эмулятор ПЗУ:
                загрузить два образца и прочитать их (без импульсов, микросхеме
                ничего не грозит)
  idle          только перевести плату в покой (напряжение программирования
                выключено), например при загрузке системы

Блок (числа десятичные или шестнадцатеричные с 0x; смещение в ПЗУ + длина <= 0x800):
  --rom-offset N    первый адрес блока в ПЗУ (по умолчанию 0)
  --file-offset N   начало блока в ФАЙЛЕ (по умолчанию 0, не больше 0xFFFFFF;
                    в файле записей это адрес, не больше 0xFFFFFFFF, по
                    умолчанию база файла + смещение в ПЗУ)
  --length N        байтов в блоке, от 1 до 0x800 (по умолчанию 0x800)
  --format ФОРМАТ   формат ФАЙЛА: raw (двоичный), ihex (Intel HEX) или srec
                    (S-записи); по умолчанию .hex .ihx .ihex — ihex, .s19 .s28
                    .s37 .srec .mot — srec, любое другое — raw

В файле записей хранятся адреса, а не подряд идущие байты. Его база — наименьший
адрес, округлённый вниз до кратного 0x800 (0 для нового файла), — соответствует
адресу 0 ПЗУ. write оставляет байты, которых нет в файле, в ПЗУ как были;
verify их не сравнивает.

Порт:
  --port ПОРТ   lpt1, lpt2, lpt3 (0x378, 0x278, 0x3BC), базовый адрес вроде
                0xD010, /dev/parportN (Linux) или модель программатора: sim,
                или sim:ФАЙЛ_ПЗУ, чтобы хранить её ПЗУ в файле. По умолчанию:
                lpt1 в Windows, /dev/parport0 в Linux. Модель учитывает
                RFPROG_SIM_EMULATOR, RFPROG_SIM_TIMER и RFPROG_SIM_FAULTS.
  --ecr N       расширенный регистр управления порта (Linux, с lptN или адресом)
  --trace ФАЙЛ  записывать каждое обращение к порту в ФАЙЛ, по строке ("W 37A 00")

Прочие параметры:
  --reads N     read, verify, blank и проверка после write: прочитать блок
                N раз, от 1 до 16 (по умолчанию 2 для read, 1 для остальных),
                и сообщить о битах, которые читаются не всякий раз одинаково
  --force       write: не проверять биты, которые пришлось бы перевести из 0 в 1
                (тогда импульс получает каждый байт, кроме FF)
  --every-byte  write: импульс каждому байту блока, есть он уже в ПЗУ или нет
  --emulator    write: загрузить эмулятор ПЗУ вместо ПЗУ
  --hold        timer: затем держать напряжение программирования до Enter
  -y, --yes     ответить на вопросы, требующие рук оператора (переключить
                эмулятор, удалить микросхему), для сценариев
  -q, --quiet   не показывать ход работы
  -h, --help    эта справка
  --version     название и версия программы

read, write и verify выводят в конце строку контрольных сумм блока, каким его
хранит ПЗУ: "crc32 XXXXXXXX  sha1 <40 шестнадцатеричных цифр>  sum16 XXXX".

Код завершения:
  0    успех
  1    устройство ответило, но результат отрицательный: несовпадение, ПЗУ не
       стёрто, запись невозможна, неустойчивое чтение, таймер молчит, неисправность при самопроверке
  2    ошибка в параметрах
  3    порт не открывается или не работает
  4    файл не читается или не записывается
  130  прервано (напряжение программирования сначала выключается)
)"},
};

constexpr std::string_view text(Text id, Language language) {
    const TextEntry& entry = TextTable[static_cast<int>(id)];
    return language == Language::Russian ? entry.russian : entry.english;
}

// text() looks entries up by position: the table must stay in Text order.
constexpr bool tableInTextOrder() {
    for (int i = 0; i < static_cast<int>(std::size(TextTable)); ++i) {
        if (static_cast<int>(TextTable[i].id) != i) {
            return false;
        }
    }
    return static_cast<int>(std::size(TextTable)) == static_cast<int>(Text::Help) + 1;
}
static_assert(tableInTextOrder());

// The sentence for a reason a port cannot be opened: the port texts follow PortError in
// the order of PortOpenError.
constexpr Text portErrorText(PortOpenError error) {
    return static_cast<Text>(static_cast<int>(Text::PortError) + static_cast<int>(error));
}
static_assert(portErrorText(PortOpenError::LibraryMissing) == Text::PortLibraryMissing);
static_assert(portErrorText(PortOpenError::Failed) == Text::PortFailed);

} // namespace rfprog::cli
