// Every text of the command-line program but --help (cli/usage.h), in English and in
// Russian. Each kind of text is one list, a text a line: its name, its English, its
// Russian. The lists make the Text enumeration and the table it indexes, so the two cannot
// drift apart. "{1}" to "{5}" stand for the arguments of a text, and "{1:byte|bytes}" for
// the form that goes with the count in argument 1: English gives two forms (one, other),
// Russian three (1 байт, 2 байта, 5 байт; see pluralForm in cli/output.h).
#pragma once

#include "device/port_open_error.h"

#include <string_view>

namespace rfprog::cli {

enum class Language { English, Russian };

// Not clang-formatted: it would align the line ends of these lists by bytes, and a Russian
// line has nearly twice as many bytes as characters.
// clang-format off

// Usage errors, and the hint that follows them.
#define RFPROG_USAGE_TEXTS(X)                                                                      \
    X(UnknownOption, "unknown option {1}", "неизвестный параметр {1}")                             \
    X(MissingValue, "option {1} needs a value", "параметру {1} нужно значение")                    \
    X(BadNumber, "{1} {2}: not a number (decimal, or hexadecimal with 0x)",                        \
      "{1} {2}: это не число (десятичное или шестнадцатеричное с 0x)")                             \
    X(NumberTooLarge, "{1} {2}: too large: at most {3}", "{1} {2}: слишком большое: не больше {3}") \
    X(LengthZero, "--length 0: a block holds at least one byte",                                   \
      "--length 0: в блоке должен быть хотя бы один байт")                                         \
    X(BlockPastEnd,                                                                                \
      "the block runs past the end of the ROM: ROM offset {1} + length {2} is more than 0x800",    \
      "блок выходит за конец ПЗУ: смещение в ПЗУ {1} + длина {2} больше 0x800")                    \
    X(BlockPastAddressSpace,                                                                       \
      "the block runs past the record file's 32-bit addresses: file offset {1} + length {2} is "   \
      "more than 0x100000000",                                                                     \
      "блок выходит за 32-битные адреса файла записей: смещение в файле {1} + длина {2} больше "   \
      "0x100000000")                                                                               \
    X(BadFormat, "--format {1}: use raw, ihex or srec",                                            \
      "--format {1}: используйте raw, ihex или srec")                                              \
    X(UnknownOperation,                                                                            \
      "unknown operation {1}: use read, write, verify, blank, timer, selftest or idle",            \
      "неизвестная операция {1}: используйте read, write, verify, blank, timer, selftest или "     \
      "idle")                                                                                      \
    X(MissingOperation,                                                                            \
      "no operation given: use read, write, verify, blank, timer, selftest or idle",               \
      "не задана операция: используйте read, write, verify, blank, timer, selftest или idle")      \
    X(MissingFile, "{1} needs a FILE", "операции {1} нужен ФАЙЛ")                                  \
    X(ExtraArgument, "unexpected argument {1}", "лишний аргумент {1}")                             \
    X(OptionNotForOperation, "option {1} does not apply to {2}",                                   \
      "параметр {1} не относится к {2}")                                                           \
    X(PortNamesNothing,                                                                            \
      "--port {1} names no port: use lpt1, lpt2, lpt3, a base address such as 0xD010, "            \
      "/dev/parportN, sim or sim:ROMFILE",                                                         \
      "--port {1} не задаёт порт: используйте lpt1, lpt2, lpt3, базовый адрес вроде 0xD010, "      \
      "/dev/parportN, sim или sim:ФАЙЛ_ПЗУ")                                                       \
    X(UnusableBase, "--port {1}: a base address is a multiple of 4 from 0x100 to 0xFFF8",          \
      "--port {1}: базовый адрес кратен 4 и лежит от 0x100 до 0xFFF8")                             \
    X(BadEcr, "--ecr {1}: an address from 0x100 to 0xFFFF",                                        \
      "--ecr {1}: нужен адрес от 0x100 до 0xFFFF")                                                 \
    X(EcrNotForPort, "--ecr applies only to a port given as lpt1..lpt3 or a base address",         \
      "--ecr относится только к порту, заданному как lpt1..lpt3 или базовым адресом")              \
    X(BadReads, "--reads {1}: the number of passes is 1 to 16",                                    \
      "--reads {1}: число чтений — от 1 до 16")                                                    \
    X(BadSimSetting, "{1}={2}: the simulated board does not understand this value",                \
      "{1}={2}: модель программатора не понимает это значение")                                    \
    X(NeedTerminal,                                                                                \
      "{1} asks the operator to act, but standard input is not a terminal: run it on a "           \
      "terminal, or add --yes",                                                                    \
      "операция {1} просит оператора о действии, но стандартный ввод не терминал: запустите её "   \
      "в терминале или добавьте --yes")                                                            \
    X(SameFileTwice, "{1} {2} names the same file as {3}",                                         \
      "{1} {2} указывает на тот же файл, что и {3}")                                               \
    X(FormatNeededForStream,                                                                       \
      "FILE - (standard input or output) has no extension to tell its format: add --format raw, "  \
      "ihex or srec",                                                                              \
      "у ФАЙЛА - (стандартный ввод или вывод) нет расширения, по которому виден формат: добавьте " \
      "--format raw, ihex или srec")                                                               \
    X(EmulatorStreamNeedsYes,                                                                      \
      "write --emulator - reads FILE from standard input, so the questions cannot be answered "    \
      "there: add --yes",                                                                          \
      "write --emulator - читает ФАЙЛ со стандартного ввода, и отвечать на вопросы там нельзя: "   \
      "добавьте --yes")                                                                            \
    X(JsonWithImageOnOutput,                                                                       \
      "read {1} and --json both need standard output: read into a file, or leave out --json",      \
      "read {1} и --json оба занимают стандартный вывод: читайте в файл или уберите --json")       \
    X(TraceIsAnotherFile, "--trace {1} is the same file as {2}: the trace would overwrite it",     \
      "--trace {1} — тот же файл, что и {2}: трассировка затёрла бы его")                          \
    X(HelpHint, "Try rfprog-cli --help.", "Справка: rfprog-cli --help.")

// Files that cannot be read or written: FILE, the trace and the simulated board's memory.
#define RFPROG_FILE_TEXTS(X)                                                                       \
    X(FileCannotOpen, "cannot read {1}: it is missing, a directory, or not readable",              \
      "не удаётся прочитать {1}: файла нет, это папка или нет прав на чтение")                     \
    X(FileTooShort, "{1} is too short: the block needs {2} {2:byte|bytes} from file offset {3}",   \
      "{1} слишком короткий: блоку нужно {2} {2:байт|байта|байт} от смещения {3} в файле")         \
    X(FileCannotWrite,                                                                             \
      "cannot write {1}: check the name, the folder, the rights and the free space",               \
      "не удаётся записать {1}: проверьте имя, папку, права и свободное место")                    \
    X(TraceCannotWrite, "cannot write the trace file {1}",                                         \
      "не удаётся записать файл трассировки {1}")                                                  \
    X(StreamWithOffset,                                                                            \
      "{1} is not a regular file: a raw block goes into it at file offset 0 only",                 \
      "{1} не обычный файл: необработанный блок записывается в него только со смещения 0")         \
    X(RawStretchUsed, "{1}: the file is {2} bytes long; the block takes its bytes {3} to {4}",     \
      "{1}: длина файла {2} байт; блок берёт его байты с {3} по {4}")                              \
    X(ResultsNotWritten,                                                                           \
      "cannot write to standard output: the results did not reach it",                             \
      "не удаётся писать в стандартный вывод: результаты туда не попали")                          \
    X(JsonCannotWrite, "cannot write the JSON result to standard output",                         \
      "не удаётся вывести результат JSON в стандартный вывод")                                     \
    X(SimFileCannotWrite, "cannot keep the simulated board's memory in {1}",                       \
      "не удаётся сохранить память модели программатора в {1}")

// Record files: "FILE:LINE: " and what is wrong; the last two are warnings.
#define RFPROG_RECORD_TEXTS(X)                                                                     \
    X(RecordFileTooLarge, "{1}: more than 1048576 bytes, too large for a record file",             \
      "{1}: больше 1048576 байт, слишком большой файл записей")                                    \
    X(RecordMalformed, "{1}:{2}: not a well-formed record",                                        \
      "{1}:{2}: запись построена неправильно")                                                     \
    X(RecordNotHexadecimal, "{1}:{2}: a character that is not a hexadecimal digit",                \
      "{1}:{2}: символ, который не является шестнадцатеричной цифрой")                             \
    X(RecordLengthMismatch, "{1}:{2}: the record's length disagrees with the line",                \
      "{1}:{2}: длина записи не соответствует строке")                                             \
    X(RecordChecksum, "{1}:{2}: the record's checksum does not match",                             \
      "{1}:{2}: контрольная сумма записи не совпадает")                                            \
    X(RecordUnknownType, "{1}:{2}: a record type this format does not have",                       \
      "{1}:{2}: в этом формате нет такого типа записи")                                            \
    X(RecordAfterEnd, "{1}:{2}: a record after the end record",                                    \
      "{1}:{2}: запись после завершающей записи")                                                  \
    X(RecordPast32Bits, "{1}:{2}: the record runs past address 0xFFFFFFFF",                        \
      "{1}:{2}: запись выходит за адрес 0xFFFFFFFF")                                               \
    X(RecordConflict,                                                                              \
      "{1}:{2}: the record gives an address a different byte than an earlier line does",           \
      "{1}:{2}: запись задаёт адресу другой байт, чем одна из предыдущих строк")                   \
    X(RecordTooMany, "{1}:{2}: more than 65536 data records",                                      \
      "{1}:{2}: больше 65536 записей данных")                                                      \
    X(RecordNoData, "{1}: no data in the block: the file defines nothing from address {2} to {3}", \
      "{1}: в блоке нет данных: файл ничего не задаёт с адреса {2} по {3}")                        \
    X(RecordOutsideRom,                                                                            \
      "{1}: the file defines data beyond the ROM's 2048 bytes from file address {2}: it defines "  \
      "{3}; choose the block's place in the file with --file-offset",                              \
      "{1}: в файле есть данные за пределами 2048 байт ПЗУ от адреса {2} в файле: файл задаёт "    \
      "{3}; выберите место блока в файле параметром --file-offset")                                \
    X(RecordMoreRanges, " and {1} more ranges", " и ещё диапазонов: {1}")                          \
    X(RecordOutsideBlock,                                                                          \
      "{1}: {2} bytes of the file lie outside the block ({3} to {4}) and are not used",            \
      "{1}: байтов файла вне блока (с {3} по {4}), которые не используются: {2}")                  \
    X(RecordEndMissing,                                                                            \
      "{1}:{2}: warning: the file ends without an end record; it may be incomplete",               \
      "{1}:{2}: предупреждение: файл кончается без завершающей записи; возможно, он неполный")     \
    X(RecordCountMismatch,                                                                         \
      "{1}: warning: an S5/S6 record count disagrees with the data records before it",             \
      "{1}: предупреждение: счётчик записей S5/S6 не совпадает с числом записей данных перед ним")

// Port errors: "port X: " and one sentence for each reason a port cannot be opened
// (R gives the reason).
#define RFPROG_PORT_TEXTS(X, R)                                                                    \
    X(PortError, "port {1}: {2}", "порт {1}: {2}")                                                 \
    R(PortLibraryMissing, LibraryMissing,                                                          \
      "the port library {1} was not found: put it beside rfprog-cli.exe (see INPOUT32.txt)",       \
      "не найдена библиотека порта {1}: положите её рядом с rfprog-cli.exe (см. INPOUT32.txt)")    \
    R(PortDriverNotOpen, DriverNotOpen,                                                            \
      "the driver of {1} did not open: run rfprog-cli once as administrator",                      \
      "драйвер {1} не открылся: один раз запустите rfprog-cli от имени администратора")            \
    R(PortDeviceMissing, DeviceMissing,                                                            \
      "the parallel port device is missing: load the kernel modules parport_pc and ppdev",         \
      "нет устройства параллельного порта: загрузите модули ядра parport_pc и ppdev")              \
    R(PortPermissionDenied, PermissionDenied,                                                      \
      "no access to the parallel port device: add your user to the group lp and log in again",     \
      "нет доступа к устройству параллельного порта: добавьте пользователя в группу lp и "         \
      "войдите заново")                                                                            \
    R(PortBusy, PortBusy, "another driver holds the port: unload the module lp (rmmod lp)",        \
      "порт занят другим драйвером: выгрузите модуль lp (rmmod lp)")                               \
    R(PortNotBidirectional, NotBidirectional,                                                      \
      "the port cannot read its data lines: set it to PS/2, bidirectional or ECP+PS/2 mode in "    \
      "the BIOS",                                                                                  \
      "порт не может читать линии данных: включите в BIOS режим PS/2, двунаправленный "            \
      "(Bi-Directional) или ECP+PS/2")                                                             \
    R(PortRawAccessDenied, RawAccessDenied,                                                        \
      "direct port access was refused: run as root or grant CAP_SYS_RAWIO; if Secure Boot "        \
      "lockdown forbids it (see /sys/kernel/security/lockdown), use --port /dev/parportN",         \
      "прямой доступ к порту запрещён: запустите от root или дайте право CAP_SYS_RAWIO; если "     \
      "его запрещает блокировка Secure Boot (см. /sys/kernel/security/lockdown), используйте "     \
      "--port /dev/parportN")                                                                      \
    R(PortEcrMissing, EcrMissing,                                                                  \
      "no extended control register answered at the --ecr address: check it, or leave --ecr out",  \
      "по адресу --ecr не отвечает расширенный регистр управления: проверьте адрес или уберите "   \
      "--ecr")                                                                                     \
    R(PortUnsupported, Unsupported,                                                                \
      "this kind of port cannot be used on this system: use another --port, or sim for a dry run", \
      "такой порт на этой системе недоступен: выберите другой --port или sim для пробы")           \
    R(PortFailed, Failed, "the system could not open or use the port",                             \
      "система не смогла открыть порт или работать с ним")

// Results, and what a result line adds for a record file.
#define RFPROG_RESULT_TEXTS(X)                                                                     \
    X(ReadDone, "read: {1} {1:byte|bytes} from ROM {2} written into {3} at offset {4}",            \
      "чтение: {1} {1:байт|байта|байт} из ПЗУ с адреса {2} {1:записан|записаны|записаны} в {3} "   \
      "со смещения {4}")                                                                           \
    X(ReadMajorityDone,                                                                            \
      "read: {1} {1:byte|bytes} from ROM {2} written into {3} at offset {4}, each bit as most of " \
      "the {5} passes read it",                                                                    \
      "чтение: {1} {1:байт|байта|байт} из ПЗУ с адреса {2} {1:записан|записаны|записаны} в {3} "   \
      "со смещения {4}, каждый бит — как его прочитало большинство из {5} чтений")                 \
    X(ReadNotWritten,                                                                              \
      "read: nothing written: the passes disagree, and an even number of passes has no majority "  \
      "(an odd --reads of 3 or more writes it)",                                                   \
      "чтение: ничего не записано: чтения не совпали, а при чётном числе чтений нет большинства "  \
      "(нечётное --reads от 3 записывает его)")                                                    \
    X(ReadIntoRecordDone, "read: {1} {1:byte|bytes} from ROM {2} written into {3} at address {4}", \
      "чтение: {1} {1:байт|байта|байт} из ПЗУ с адреса {2} {1:записан|записаны|записаны} в {3} "   \
      "по адресу {4}")                                                                             \
    X(WriteDone,                                                                                   \
      "write: {1} {1:byte|bytes} at ROM {2} verified: {3} programmed, {4} already held",           \
      "запись: {1} {1:байт|байта|байт} с адреса ПЗУ {2} {1:проверен|проверены|проверены}: "        \
      "записано {3}, уже было {4}")                                                                \
    X(EmulatorDone,                                                                                \
      "write: {1} {1:byte|bytes} at ROM {2} loaded into the emulator and verified",                \
      "запись: {1} {1:байт|байта|байт} с адреса ПЗУ {2} {1:загружен|загружены|загружены} в "       \
      "эмулятор и {1:проверен|проверены|проверены}")                                               \
    X(WriteMismatch, "write: the ROM does not match the file after programming",                   \
      "запись: после записи ПЗУ не совпадает с файлом")                                            \
    X(EmulatorMismatch, "write: the emulator does not match the file after loading",               \
      "запись: после загрузки эмулятор не совпадает с файлом")                                     \
    X(NotProgrammable,                                                                             \
      "write: refused, nothing programmed: a bit would have to go from 0 to 1, which only "        \
      "erasing does: erase the chip (UV) first. --force programs anyway, but cannot set a 0 bit "  \
      "to 1",                                                                                      \
      "запись: отказ, ничего не записано: бит пришлось бы перевести из 0 в 1, а это делает "       \
      "только стирание: сначала сотрите микросхему (УФ). --force программирует всё равно, но "     \
      "бит 0 в 1 не переведёт")                                                                    \
    X(WriteTimerSilent,                                                                            \
      "write: stopped at ROM {1}: the board's pulse timer did not answer; {2} {2:byte|bytes} "     \
      "pulsed before it; nothing verified (check the timer: rfprog-cli timer)",                    \
      "запись: остановлена на адресе ПЗУ {1}: таймер импульса платы не ответил; до него импульс "   \
      "{2:получил|получили|получили} {2} {2:байт|байта|байт}; ничего не проверено (проверьте "      \
      "таймер: rfprog-cli timer)")                                                                 \
    X(WriteStopped, "write: stopped at ROM {1} after {2} {2:pulse|pulses}",                        \
      "запись: остановлена на адресе ПЗУ {1} после {2} {2:импульса|импульсов|импульсов}")          \
    X(VerifyMatch, "verify: {1} {1:byte|bytes} at ROM {2} {1:matches|match} the file",             \
      "сравнение: {1} {1:байт|байта|байт} с адреса ПЗУ {2} {1:совпадает|совпадают|совпадают} с "   \
      "файлом")                                                                                    \
    X(VerifyMismatch, "verify: the ROM differs from the file",                                     \
      "сравнение: ПЗУ отличается от файла")                                                        \
    X(ResultFileAddress, ", file address {1}", ", адрес в файле {1}")                              \
    X(ResultUndefinedKept, "; {1} {1:byte|bytes} not in the file left as {1:it was|they were}",    \
      "; {1} {1:байт|байта|байт}, {1:которого|которых|которых} нет в файле, "                      \
      "{1:оставлен|оставлены|оставлены} как {1:был|были|были}")                                    \
    X(ResultUndefinedNotCompared, "; {1} {1:byte|bytes} not in the file not compared",             \
      "; {1} {1:байт|байта|байт}, {1:которого|которых|которых} нет в файле, не "                   \
      "{1:сравнивался|сравнивались|сравнивались}")                                                 \
    X(BlankDone, "blank: {1} {1:byte|bytes} at ROM {2} {1:reads|read} FF",                         \
      "чистота: {1} {1:байт|байта|байт} с адреса ПЗУ {2} {1:равен|равны|равны} FF")                \
    X(NotBlank, "blank: the ROM is not blank", "чистота: ПЗУ не стёрто")                           \
    X(TimerAnswered, "timer: the board's timer answered", "таймер: таймер платы ответил")          \
    X(TimerSilent, "timer: the board's timer did not answer", "таймер: таймер платы не ответил")   \
    X(SelfTestPassed, "board self-test passed", "самопроверка платы пройдена")                     \
    X(SelfTestFailed, "board self-test failed", "самопроверка платы не пройдена")                  \
    X(EmulatorSilent, "the emulator did not answer (nothing loaded reads back)",                   \
      "эмулятор не ответил (ничего из загруженного не читается)")                                  \
    X(IdleDone, "idle: the port's control lines are at 0x00 (programming voltage off)",            \
      "покой: линии управления порта в 0x00 (напряжение программирования выключено)")              \
    X(Interrupted, "interrupted; the programming voltage is off",                                  \
      "прервано; напряжение программирования выключено")                                           \
    X(StoppedByOperator, "stopped by the operator; the programming voltage is off",                \
      "остановлено оператором; напряжение программирования выключено")                             \
    X(Version, "rfprog-cli {1}", "rfprog-cli {1}")

// Reports: the lines under a negative result.
#define RFPROG_REPORT_TEXTS(X)                                                                     \
    X(DifferenceLine, "{1}: file {2}, ROM {3}", "{1}: файл {2}, ПЗУ {3}")                          \
    X(NotBlankLine, "{1}: ROM {3} instead of {2}", "{1}: ПЗУ {3} вместо {2}")                      \
    X(DifferenceCount, "differing bytes: {1} of {2}", "различающихся байтов: {1} из {2}")          \
    X(NeedsErasingCount, "bytes that need a bit from 0 to 1: {1} of {2}",                          \
      "байтов, где бит должен перейти из 0 в 1: {1} из {2}")                                       \
    X(BitSummary, "bits read as 0 instead of 1: {1}; read as 1 instead of 0: {2}",                 \
      "битов прочитано 0 вместо 1: {1}; 1 вместо 0: {2}")                                          \
    X(BitAlwaysLow, "data bit {1} always reads 0: stuck line or open contact?",                    \
      "бит данных {1} всегда читается как 0: залипшая линия или нет контакта?")                    \
    X(BitAlwaysHigh, "data bit {1} always reads 1: stuck line or short circuit?",                  \
      "бит данных {1} всегда читается как 1: залипшая линия или замыкание?")                       \
    X(AddressLineAliased,                                                                          \
      "address line A{1}: the ROM reads the same at addresses that differ only in A{1}: stuck "    \
      "or open line?",                                                                             \
      "адресная линия A{1}: ПЗУ читается одинаково по адресам, которые различаются только в "      \
      "A{1}: залипшая линия или обрыв?")                                                           \
    X(UniformErased,                                                                               \
      "every compared byte reads FF: an erased or missing chip, or no board answering; no line "   \
      "is to blame for that",                                                                      \
      "все сравнённые байты читаются как FF: микросхема стёрта или её нет, либо плата не "         \
      "отвечает; линии тут ни при чём")                                                            \
    X(UniformNothingTook,                                                                          \
      "no byte took: check the programming voltage, the timer (rfprog-cli timer), and the "        \
      "chip's seating and type",                                                                   \
      "ни один байт не записался: проверьте напряжение программирования, таймер (rfprog-cli "      \
      "timer), установку микросхемы в панели и её тип")                                            \
    X(UniformEmulatorSilent,                                                                       \
      "the emulator did not answer: is it plugged in and switched to READ?",                       \
      "эмулятор не ответил: подключён ли он и переключён ли на чтение?")                           \
    X(UniformValue,                                                                                \
      "every compared byte reads {1}: the board's data path reads {1} everywhere; no single line " \
      "is to blame for that",                                                                      \
      "все сравнённые байты читаются как {1}: тракт данных платы везде читает {1}; отдельная "      \
      "линия тут ни при чём")                                                                      \
    X(UnstablePasses,                                                                              \
      "{1}: the passes disagree: some bits read differently from one pass to the next",            \
      "{1}: чтения не совпали: некоторые биты читаются по-разному от чтения к чтению")             \
    X(UnstableLine, "{1}: read {2}; bits that changed: {3}",                                       \
      "{1}: прочитано {2}; менялись биты: {3}")                                                    \
    X(UnstableCount, "unstable bytes: {1} of {2}", "неустойчивых байтов: {1} из {2}")              \
    X(DataLineStuckLow, "data line {1} stuck at 0", "линия данных {1} залипла в 0")                \
    X(DataLineStuckHigh, "data line {1} stuck at 1", "линия данных {1} залипла в 1")               \
    X(DataLinesShorted, "data lines {1} and {2} shorted",                                          \
      "линии данных {1} и {2} замкнуты между собой")                                               \
    X(SelfTestAddressLine,                                                                         \
      "address line A{1} stuck, open or shorted: addresses that differ only in A{1} read the "     \
      "same",                                                                                      \
      "адресная линия A{1} залипла, оборвана или замкнута: адреса, различающиеся только в A{1}, "  \
      "читаются одинаково")                                                                        \
    X(SelfTestUnexplained,                                                                         \
      "no data or address line explains the differences: suspect the emulator's memory",           \
      "ни одна линия данных или адреса не объясняет различий: проверьте память эмулятора")

// Questions that need the operator's hands, and the voltage hold.
#define RFPROG_QUESTION_TEXTS(X)                                                                   \
    X(AskEmulatorWrite, "Switch the emulator to WRITE, then press Enter (n stops).",                \
      "Переключите эмулятор на запись и нажмите Enter (н — отмена).")                              \
    X(AskEmulatorRead, "Switch the emulator to READ, then press Enter (n stops).",                  \
      "Переключите эмулятор на чтение и нажмите Enter (н — отмена).")                              \
    X(AskRemoveChip,                                                                               \
      "The ROM chip must be out of its socket. Remove it, then press Enter (n stops).",            \
      "Микросхема ПЗУ должна быть удалена из панели. Удалите её и нажмите Enter (н — отмена).")    \
    X(AskAgain, "Answer Enter or y to go ahead, n to stop.",                                       \
      "Ответьте Enter или д, чтобы продолжить, н — чтобы остановить.")                             \
    X(AnsweredByYes, "(answered by --yes)", "(ответ дан параметром --yes)")                        \
    X(HoldVoltage, "Programming voltage is ON. Press Enter to switch it off.",                     \
      "Напряжение программирования включено! Нажмите Enter, чтобы выключить.")

// The progress display: the name of what is going on, and the time left.
#define RFPROG_PROGRESS_TEXTS(X)                                                                   \
    X(ProgressRead, "read", "чтение")                                                              \
    X(ProgressCheck, "check", "проверка")                                                          \
    X(ProgressWrite, "write", "запись")                                                            \
    X(ProgressLoad, "load", "загрузка")                                                            \
    X(ProgressVerify, "verify", "сравнение")                                                       \
    X(ProgressBlank, "blank", "чистота")                                                           \
    X(ProgressLeft, "left {1}", "осталось {1}")

// The legend of the block's picture (--map): each kind of cell.
#define RFPROG_MAP_TEXTS(X)                                                                        \
    X(MapEqual, "equal", "совпадают")                                                              \
    X(MapReadOne, "read 1 instead of 0", "1 вместо 0")                                             \
    X(MapReadZero, "read 0 instead of 1", "0 вместо 1")                                            \
    X(MapBoth, "both", "и то, и другое")                                                           \
    X(MapUnstable, "unstable", "неустойчивые")                                                     \
    X(MapNotCompared, "not in the file", "нет в файле")                                            \
    X(MapErased, "reads FF", "читаются FF")                                                        \
    X(MapHolds, "other than FF", "не FF")
// clang-format on

// The enumeration and its table, both in the order of the lists.
#define RFPROG_TEXT_ID(id, english, russian) id,
#define RFPROG_REASON_TEXT_ID(id, reason, english, russian) id,
#define RFPROG_TEXT_ENTRY(id, english, russian) {english, russian},
#define RFPROG_REASON_TEXT_ENTRY(id, reason, english, russian) {english, russian},
#define RFPROG_REASON_CASE(id, reason, english, russian)                                           \
    case PortOpenError::reason:                                                                    \
        return Text::id;
#define RFPROG_NO_CASE(id, english, russian)
#define RFPROG_TEXTS(X, R)                                                                         \
    RFPROG_USAGE_TEXTS(X)                                                                          \
    RFPROG_FILE_TEXTS(X)                                                                           \
    RFPROG_RECORD_TEXTS(X)                                                                         \
    RFPROG_PORT_TEXTS(X, R)                                                                        \
    RFPROG_RESULT_TEXTS(X)                                                                         \
    RFPROG_REPORT_TEXTS(X)                                                                         \
    RFPROG_QUESTION_TEXTS(X)                                                                       \
    RFPROG_PROGRESS_TEXTS(X)                                                                       \
    RFPROG_MAP_TEXTS(X)

enum class Text { RFPROG_TEXTS(RFPROG_TEXT_ID, RFPROG_REASON_TEXT_ID) };

struct TextPair {
    std::string_view english;
    std::string_view russian;

    constexpr std::string_view in(Language language) const {
        return language == Language::Russian ? russian : english;
    }
};

inline constexpr TextPair TextTable[] = {RFPROG_TEXTS(RFPROG_TEXT_ENTRY, RFPROG_REASON_TEXT_ENTRY)};

constexpr std::string_view text(Text id, Language language) {
    return TextTable[static_cast<int>(id)].in(language);
}

// The sentence for a reason a port cannot be opened. The cases are the reasons of the port
// list, so a reason added without its sentence fails the build (-Wswitch).
constexpr Text portErrorText(PortOpenError error) {
    switch (error) {
        RFPROG_PORT_TEXTS(RFPROG_NO_CASE, RFPROG_REASON_CASE)
    case PortOpenError::None:
        break;
    }
    return Text::PortFailed;
}

#undef RFPROG_TEXTS
#undef RFPROG_NO_CASE
#undef RFPROG_REASON_CASE
#undef RFPROG_REASON_TEXT_ENTRY
#undef RFPROG_TEXT_ENTRY
#undef RFPROG_REASON_TEXT_ID
#undef RFPROG_TEXT_ID
#undef RFPROG_MAP_TEXTS
#undef RFPROG_PROGRESS_TEXTS
#undef RFPROG_QUESTION_TEXTS
#undef RFPROG_REPORT_TEXTS
#undef RFPROG_RESULT_TEXTS
#undef RFPROG_PORT_TEXTS
#undef RFPROG_RECORD_TEXTS
#undef RFPROG_FILE_TEXTS
#undef RFPROG_USAGE_TEXTS

} // namespace rfprog::cli
