// The words of the command line: the operations and the options, in the order in which
// --help, the man page and the README list them, and the --help text. The parser takes its
// names from here, make_bash_completion writes the shell's completion from them, and the
// tests hold the help texts and the documents to the same lists.
#pragma once

#include "cli/texts.h"
#include "image/record_file.h"

#include <string_view>

namespace rfprog::cli {

enum class Operation { None, Read, Write, Verify, Blank, Timer, SelfTest, Idle };

struct OperationName {
    std::string_view name;
    Operation operation;
    bool takesFile;
};

inline constexpr OperationName OperationNames[] = {
    {"read", Operation::Read, true},     {"write", Operation::Write, true},
    {"verify", Operation::Verify, true}, {"blank", Operation::Blank, false},
    {"timer", Operation::Timer, false},  {"selftest", Operation::SelfTest, false},
    {"idle", Operation::Idle, false},
};

enum class OptionId {
    RomOffset,
    FileOffset,
    Length,
    Format,
    Port,
    Ecr,
    Trace,
    Reads,
    Map,
    MapSvg,
    Json,
    Force,
    EveryByte,
    Emulator,
    Hold,
    Yes,
    Quiet,
    Help,
    Version,
};

struct OptionName {
    OptionId id;
    std::string_view name;  // "--rom-offset"; a literal, so zero-terminated
    char letter;            // the short form ("-y"), or 0
    std::string_view value; // what the value is called in the English help; empty for a switch
    std::string_view russianValue;
};

inline constexpr OptionName OptionNames[] = {
    {OptionId::RomOffset, "--rom-offset", 0, "N", "N"},
    {OptionId::FileOffset, "--file-offset", 0, "N", "N"},
    {OptionId::Length, "--length", 0, "N", "N"},
    {OptionId::Format, "--format", 0, "FORMAT", "ФОРМАТ"},
    {OptionId::Port, "--port", 0, "PORT", "ПОРТ"},
    {OptionId::Ecr, "--ecr", 0, "N", "N"},
    {OptionId::Trace, "--trace", 0, "FILE", "ФАЙЛ"},
    {OptionId::Reads, "--reads", 0, "N", "N"},
    {OptionId::Map, "--map", 0, {}, {}},
    {OptionId::MapSvg, "--map-svg", 0, "FILE", "ФАЙЛ"},
    {OptionId::Json, "--json", 0, {}, {}},
    {OptionId::Force, "--force", 0, {}, {}},
    {OptionId::EveryByte, "--every-byte", 0, {}, {}},
    {OptionId::Emulator, "--emulator", 0, {}, {}},
    {OptionId::Hold, "--hold", 0, {}, {}},
    {OptionId::Yes, "--yes", 'y', {}, {}},
    {OptionId::Quiet, "--quiet", 'q', {}, {}},
    {OptionId::Help, "--help", 'h', {}, {}},
    {OptionId::Version, "--version", 0, {}, {}},
};

// The values that the shell completes for --format and --port; --port also takes the forms
// with a name in them (sim:ROMFILE, /dev/parportN, a base address).
inline constexpr const auto& FormatNames = RecordFormatNames;
inline constexpr std::string_view PortNames[] = {"lpt1", "lpt2", "lpt3", "sim"};

// The --help text: its sections list the operations and the options above, in their order
// and with their value names.
inline constexpr TextPair HelpText{
    R"(Usage: rfprog-cli [OPTIONS] OPERATION [FILE]

Drives the EPROM programmer board for 573RF2/573RF5 (2 KB) on a parallel port.

Operations:
  read FILE     read the block from the ROM into FILE at the file offset (a raw
                FILE is created if missing and never truncated; a record file
                gets the block in place of that range, its other records kept)
  write FILE    program the block from FILE into the ROM, then verify it; first
                refuses, changing nothing, when a bit would have to go from 0 to 1
                (erase the chip first); pulses only the bytes the ROM does not
                already hold; stops at a pulse the board's timer does not end,
                with no verification (exit 1)
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
bytes the file does not define as they are in the ROM; verify skips them. A
file with data beyond the 0x800 bytes from its base is refused (status 2) and
its address ranges listed, unless --file-offset places the block. File bytes
the block leaves out (records, the rest of a longer raw file) are named.

FILE "-" is standard input (write, verify) or standard output (read; the
results then go to standard error); --format is then needed, and write
--emulator - needs --yes. read into a pipe or device writes a new file's text
and never reads it; into a record file through a symbolic link it replaces the
file linked to, keeping its mode.

Port:
  --port PORT   lpt1, lpt2, lpt3 (0x378, 0x278, 0x3BC), a base address such as
                0xD010, /dev/parportN (Linux), or the simulated board: sim, or
                sim:ROMFILE to keep its ROM in a file. Default: lpt1 on Windows,
                /dev/parport0 on Linux. The simulated board takes
                RFPROG_SIM_EMULATOR, RFPROG_SIM_TIMER and RFPROG_SIM_FAULTS.
  --ecr N       the port's extended control register (Linux, with lptN or an address)
  --trace FILE  write every port access into FILE, one line each ("W 37A 00");
                refused when it is FILE or the simulated board's ROM or
                emulator file, by any name

Other options:
  --reads N     read, verify, blank and the verification of write: read the
                block N times, 1 to 16 (default: 2 for read, 1 for the others),
                and report the bits that do not read the same every time
  --map         read, verify, blank, write, selftest: after the result, a picture
                of the block, a cell a byte, 64 a row: . equal, 1 read 1 instead
                of 0, 0 read 0 instead of 1, X both, ? unstable, - not in the
                file; for read F reads FF, # other than FF (colours on a terminal
                that has them, unless NO_COLOR is set)
  --map-svg FILE  the same picture as an SVG file
  --json        one JSON object with the result on standard output (the
                operation, port, block, exit status, counts, differences, lines
                and checksums; see the man page); the text goes to standard error
  --force       write: program anyway, without the check for bits that would
                have to go from 0 to 1; a pulse cannot set a 0 bit to 1
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

A question goes ahead on Enter, y, yes, д or да, and stops on n, no, н or нет
before the port is touched again (exit 130); anything else is asked again.

A report names a data or address line only when the whole block points at it.
When every compared byte reads one value it names none and says what the value
means: FF an erased or missing chip or no board (after a write: no byte took;
after an emulator load: the emulator did not answer), another value a data path
that reads it everywhere.

Exit status:
  0    success
  1    the device answered but the result is negative: mismatch, not blank,
       not programmable, unstable reads, timer silent, self-test fault
  2    usage error
  3    the port cannot be opened or used
  4    a file cannot be read or written, or the results did not reach
       standard output or standard error
  130  interrupted, or stopped at a question (the programming voltage is
       switched off first)
)",
    R"(Запуск: rfprog-cli [ПАРАМЕТРЫ] ОПЕРАЦИЯ [ФАЙЛ]

Работает с программатором ПЗУ 573РФ2/573РФ5 (2 КБ) на параллельном порту.

Операции:
  read ФАЙЛ     прочитать блок ПЗУ в ФАЙЛ по смещению в файле
                (двоичный файл создаётся, если его нет, и никогда не обрезается;
                в файле записей блок заменяет этот участок, прочие записи целы)
  write ФАЙЛ    записать блок из ФАЙЛА в ПЗУ и проверить; сначала отказывает,
                ничего не меняя, если бит пришлось бы перевести из 0 в 1
                (сначала сотрите микросхему); импульс получают только байты,
                которых в ПЗУ ещё нет; останавливается на импульсе, который
                таймер платы не закончил, без проверки (код 1)
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
verify их не сравнивает. Файл с данными за пределами 0x800 байт от его базы
отвергается (код 2) с перечнем его диапазонов адресов, если блок не размещён
параметром --file-offset. О байтах файла вне блока (записи, остаток длинного
двоичного файла) сообщается.

ФАЙЛ "-" — стандартный ввод (write, verify) или стандартный вывод (read;
результаты тогда идут в стандартный поток ошибок); тогда нужен --format, а
write --emulator - требует --yes. read в канал или устройство пишет текст
нового файла и никогда его не читает; в файл записей по символической ссылке —
заменяет файл, на который она указывает, сохраняя его права.

Порт:
  --port ПОРТ   lpt1, lpt2, lpt3 (0x378, 0x278, 0x3BC), базовый адрес вроде
                0xD010, /dev/parportN (Linux) или модель программатора: sim,
                или sim:ФАЙЛ_ПЗУ, чтобы хранить её ПЗУ в файле. По умолчанию:
                lpt1 в Windows, /dev/parport0 в Linux. Модель учитывает
                RFPROG_SIM_EMULATOR, RFPROG_SIM_TIMER и RFPROG_SIM_FAULTS.
  --ecr N       расширенный регистр управления порта (Linux, с lptN или адресом)
  --trace ФАЙЛ  записывать каждое обращение к порту в ФАЙЛ, по строке ("W 37A 00");
                отвергается, если это ФАЙЛ, файл ПЗУ или эмулятора модели,
                под любым именем

Прочие параметры:
  --reads N     read, verify, blank и проверка после write: прочитать блок
                N раз, от 1 до 16 (по умолчанию 2 для read, 1 для остальных),
                и сообщить о битах, которые читаются не всякий раз одинаково
  --map         read, verify, blank, write, selftest: после результата картина
                блока, клетка на байт, 64 в ряду: . совпадает, 1 вместо 0,
                0 вместо 1, X и то, и другое, ? неустойчиво, - нет в файле;
                для read F читается FF, # не FF (в цвете на терминале, который
                его показывает, если не задана NO_COLOR)
  --map-svg ФАЙЛ  та же картина в файле SVG
  --json        один объект JSON с результатом в стандартный вывод (операция,
                порт, блок, код завершения, счётчики, различия, линии и
                контрольные суммы; см. man); текст идёт в стандартный поток ошибок
  --force       write: программировать всё равно, без проверки битов, которые
                пришлось бы перевести из 0 в 1; импульс не переводит бит 0 в 1
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

На вопрос Enter, y, yes, д или да — продолжить; n, no, н или нет — остановить,
не трогая больше порт (код 130); на другой ответ вопрос повторяется.

Отчёт называет линию данных или адреса, только когда на неё указывает весь
блок. Если все сравнённые байты читаются одним значением, линия не называется,
а говорится, что это значит: FF — микросхема стёрта или её нет либо плата не
отвечает (после записи: ни один байт не записался; после загрузки эмулятора:
эмулятор не ответил), другое значение — тракт данных везде читает его.

Код завершения:
  0    успех
  1    устройство ответило, но результат отрицательный: несовпадение, ПЗУ не
       стёрто, запись невозможна, неустойчивое чтение, таймер молчит, неисправность при самопроверке
  2    ошибка в параметрах
  3    порт не открывается или не работает
  4    файл не читается или не записывается, или результаты не попали в
       стандартный вывод или поток ошибок
  130  прервано или остановлено на вопросе (напряжение программирования
       сначала выключается)
)"};

} // namespace rfprog::cli
