// The blank check, Read and Compare, the refusal of the block
// parameters and file names longer than a command takes.
#include "tests/e2e/e2e_checks.h"

namespace e2e {
namespace {

const std::wstring InvalidParameters = messageText(Message::InvalidParameters);

Traffic afterStartup(const Traffic& traffic) {
    return startupTraffic().append(traffic);
}

// --- Blank check ----------------------------------------------------------------------

TEST(BlankCheck, ErasedRomShowsErasedWithoutIcon) {
    RfprogProcess program;
    ASSERT_TRUE(program.start());
    const auto box = commandToMessage(program, IdBlank);
    ASSERT_TRUE(box.has_value());
    EXPECT_TRUE(isMessage(*box, infoBox(messageText(Message::RomErased)), program.dialog()));
    const PortTrace trace = program.trace();
    EXPECT_TRUE(sameTraffic(trace.accesses(),
                            afterStartup(Traffic().blankCheck(Bytes(RomSize, 0xFF))).accesses()));
    EXPECT_EQ(trace.count('R', DataRegister), RomSize);
    EXPECT_EQ(trace.lastControl(), 0x00);
    dismissAndClose(program, *box);
}

TEST(BlankCheck, RomWith7FAtAddress5ShowsNotErasedAfterSixReads) {
    SimSettings settings;
    settings.rom[5] = 0x7F;
    RfprogProcess program;
    ASSERT_TRUE(program.start(settings));
    const auto box = commandToMessage(program, IdBlank);
    ASSERT_TRUE(box.has_value());
    EXPECT_TRUE(isMessage(*box, errorBox(messageText(Message::RomNotErased)), program.dialog()));
    const PortTrace trace = program.trace();
    EXPECT_EQ(trace.count('R', DataRegister), 6u);
    EXPECT_TRUE(
        sameTraffic(trace.accesses(), afterStartup(Traffic().blankCheck(settings.rom)).accesses()));
    EXPECT_EQ(trace.lastControl(), 0x00);
    dismissAndClose(program, *box);
}

// --- Read -------------------------------------------------------------------------------

// Reads the whole ROM into the new file name (relative: the program's current folder).
void readWholeRomIntoNewFile(const std::wstring& name, unsigned seed) {
    SimSettings settings;
    settings.rom = pattern(RomSize, seed);
    RfprogProcess program;
    ASSERT_TRUE(program.start(settings));
    ASSERT_TRUE(program.setText(IdFileName, name));
    const auto box = commandToMessage(program, IdRead);
    ASSERT_TRUE(box.has_value());
    EXPECT_TRUE(isMessage(*box, infoBox(messageText(Message::FileWritten)), program.dialog()));
    EXPECT_TRUE(sameTraffic(program.trace().accesses(),
                            afterStartup(Traffic().readRomBlock(0, settings.rom)).accesses()));
    bool exists = false;
    const Bytes file = readFile(program.path(name), &exists);
    EXPECT_TRUE(exists);
    EXPECT_TRUE(file == settings.rom)
        << "the file does not hold the ROM (" << file.size() << " bytes)";
    dismissAndClose(program, *box);
}

TEST(ReadCommand, WholeRomIntoANewFile) {
    readWholeRomIntoNewFile(L"new image.bin", 1);
}

TEST(ReadCommand, WholeRomIntoANewFileWithACyrillicName) {
    // Wine keeps file names in the Unix locale's character set: under LANG=C or POSIX
    // no process can create this name, so there is nothing to test.
    const std::wstring name = L"новый образ.bin";
    {
        RfprogProcess probe;
        if (!writeFile(probe.path(name), Bytes(1, 0))) {
            GTEST_SKIP() << "this system cannot store Cyrillic file names (Unix locale)";
        }
    }
    readWholeRomIntoNewFile(name, 15);
}

TEST(ReadCommand, BlockIntoAnExistingLargerFileAtAFileOffset) {
    SimSettings settings;
    settings.rom = pattern(RomSize, 2);
    RfprogProcess program;
    const Bytes original = pattern(0x2000, 3);
    ASSERT_TRUE(writeFile(program.path(L"big.bin"), original));
    ASSERT_TRUE(program.start(settings));
    ASSERT_TRUE(program.setText(IdFileName, L"big.bin"));
    ASSERT_TRUE(program.setCheck(IdExtra, true));
    ASSERT_TRUE(program.setText(IdFileOffset, L"800"));
    ASSERT_TRUE(program.setText(IdRomOffset, L"10"));
    ASSERT_TRUE(program.setText(IdLength, L"100"));
    const auto box = commandToMessage(program, IdRead);
    ASSERT_TRUE(box.has_value());
    EXPECT_TRUE(isMessage(*box, infoBox(messageText(Message::FileWritten)), program.dialog()));
    const Bytes block = slice(settings.rom, 0x10, 0x100);
    EXPECT_TRUE(sameTraffic(program.trace().accesses(),
                            afterStartup(Traffic().readRomBlock(0x10, block)).accesses()));
    Bytes expected = original;
    std::copy(block.begin(), block.end(), expected.begin() + 0x800);
    const Bytes file = readFile(program.path(L"big.bin"));
    EXPECT_EQ(file.size(), original.size());
    EXPECT_TRUE(file == expected) << "bytes outside 0x800..0x8FF changed or the block is wrong";
    dismissAndClose(program, *box);
}

TEST(ReadCommand, EmptyFileNameReadsTheRomThenFailsToWrite) {
    SimSettings settings;
    settings.rom = pattern(RomSize, 4);
    RfprogProcess program;
    ASSERT_TRUE(program.start(settings));
    const auto box = commandToMessage(program, IdRead);
    ASSERT_TRUE(box.has_value());
    EXPECT_TRUE(isMessage(*box, errorBox(messageText(Message::FileWriteError)), program.dialog()));
    EXPECT_TRUE(sameTraffic(program.trace().accesses(),
                            afterStartup(Traffic().readRomBlock(0, settings.rom)).accesses()));
    dismissAndClose(program, *box);
    EXPECT_EQ(folderEntries(program.folder()).size(), 2u) << "only rom.bin and trace.txt";
}

// --- Compare ----------------------------------------------------------------------------

TEST(CompareCommand, MatchingFile) {
    SimSettings settings;
    settings.rom = pattern(RomSize, 5);
    RfprogProcess program;
    ASSERT_TRUE(writeFile(program.path(L"same.bin"), settings.rom));
    ASSERT_TRUE(program.start(settings));
    ASSERT_TRUE(program.setText(IdFileName, L"same.bin"));
    const auto box = commandToMessage(program, IdCompare);
    ASSERT_TRUE(box.has_value());
    EXPECT_TRUE(isMessage(*box, infoBox(messageText(Message::DataMatch)), program.dialog()));
    EXPECT_TRUE(sameTraffic(
        program.trace().accesses(),
        afterStartup(Traffic().verifyRomBlock(0, settings.rom, settings.rom)).accesses()));
    dismissAndClose(program, *box);
}

TEST(CompareCommand, DifferingFileStopsAtTheFirstDifference) {
    SimSettings settings;
    settings.rom = pattern(RomSize, 6);
    Bytes file = settings.rom;
    file[0x123] ^= 0x01;
    RfprogProcess program;
    ASSERT_TRUE(writeFile(program.path(L"other.bin"), file));
    ASSERT_TRUE(program.start(settings));
    ASSERT_TRUE(program.setText(IdFileName, L"other.bin"));
    const auto box = commandToMessage(program, IdCompare);
    ASSERT_TRUE(box.has_value());
    EXPECT_TRUE(isMessage(*box, errorBox(messageText(Message::CompareError)), program.dialog()));
    const PortTrace trace = program.trace();
    EXPECT_EQ(trace.count('R', DataRegister), 0x124u);
    EXPECT_TRUE(
        sameTraffic(trace.accesses(),
                    afterStartup(Traffic().verifyRomBlock(0, settings.rom, file)).accesses()));
    dismissAndClose(program, *box);
}

TEST(CompareCommand, ShortFileFailsWithTheDefaultCaptionAndNoPortAccess) {
    RfprogProcess program;
    ASSERT_TRUE(writeFile(program.path(L"short.bin"), Bytes(RomSize - 1, 0xFF)));
    ASSERT_TRUE(program.start());
    ASSERT_TRUE(program.setText(IdFileName, L"short.bin"));
    const auto box = commandToMessage(program, IdCompare);
    ASSERT_TRUE(box.has_value());
    const std::wstring defaultCaption = systemDefaultCaption();
    EXPECT_FALSE(defaultCaption.empty());
    EXPECT_NE(utf8(box->caption), utf8(ProgramCaption));
    EXPECT_TRUE(isMessage(*box, errorBox(messageText(Message::FileReadError), defaultCaption),
                          program.dialog()));
    EXPECT_TRUE(sameTraffic(program.trace().accesses(), startupTraffic().accesses()));
    dismissAndClose(program, *box);
}

// --- Block parameters --------------------------------------------------------------------

TEST(BlockParameters, RefusedBlockShowsOneMessageAndMakesNoPortAccess) {
    RfprogProcess program;
    ASSERT_TRUE(program.start());
    ASSERT_TRUE(program.setText(IdFileName, L"out.bin"));
    ASSERT_TRUE(program.setCheck(IdExtra, true));
    ASSERT_TRUE(program.setText(IdRomOffset, L"1")); // 1 + 800h runs past the ROM's end
    const auto box = commandToMessage(program, IdRead);
    ASSERT_TRUE(box.has_value());
    EXPECT_TRUE(
        isMessage(*box, errorBox(InvalidParameters, systemDefaultCaption()), program.dialog()));
    EXPECT_TRUE(sameTraffic(program.trace().accesses(), startupTraffic().accesses()));
    ASSERT_TRUE(program.answer(*box, IDOK));
    EXPECT_EQ(utf8(program.text(IdRomOffset)), "1") << "the fields keep their text";
    EXPECT_TRUE(program.closeAndWait());
    EXPECT_FALSE(fileExists(program.path(L"out.bin")));
}

// The field is read whole up to six digits: seven characters are refused, not cut to six
// (which would take "0000800" as 80h).
TEST(BlockParameters, SevenCharacterFieldIsRefusedNotCut) {
    RfprogProcess program;
    ASSERT_TRUE(program.start());
    ASSERT_TRUE(program.setText(IdFileName, L"out.bin"));
    ASSERT_TRUE(program.setCheck(IdExtra, true));
    ASSERT_TRUE(program.setText(IdLength, L"0000800"));
    const auto refused = commandToMessage(program, IdRead);
    ASSERT_TRUE(refused.has_value());
    EXPECT_TRUE(
        isMessage(*refused, errorBox(InvalidParameters, systemDefaultCaption()), program.dialog()));
    EXPECT_TRUE(sameTraffic(program.trace().accesses(), startupTraffic().accesses()));
    ASSERT_TRUE(program.answer(*refused, IDOK));
    EXPECT_FALSE(fileExists(program.path(L"out.bin")));

    ASSERT_TRUE(program.setText(IdLength, L"000080")); // six characters: 80h bytes
    const auto done = commandToMessage(program, IdRead);
    ASSERT_TRUE(done.has_value());
    EXPECT_EQ(utf8(done->text), "Данные успешно записаны в файл!");
    EXPECT_EQ(readFile(program.path(L"out.bin")).size(), 0x80u);
    dismissAndClose(program, *done);
}

// --- File names longer than a command takes (limit 260 units) ------------------------------

// A relative name whose first 259 characters are themselves a usable file name: four
// folders of 50 characters and a file name, so that a program that cut the name to
// 259 characters would reach a real file.
struct LongName {
    std::wstring folders; // relative, with a trailing backslash
    std::wstring cut;     // the first 259 characters
    std::wstring full;    // longer than 259 characters
};

LongName makeLongName(const RfprogProcess& program) {
    LongName name;
    for (int i = 0; i < 4; ++i) {
        name.folders += std::wstring(50, static_cast<wchar_t>(L'a' + i)) + L"\\";
        CreateDirectoryW(program.path(name.folders).c_str(), nullptr);
    }
    name.cut = name.folders + std::wstring(259 - name.folders.size(), L'f');
    name.full = name.cut + L"-rest.bin";
    return name;
}

TEST(LongFileName, ReadReadsTheRomThenRefusesTheNameAndCreatesNoFile) {
    SimSettings settings;
    settings.rom = pattern(RomSize, 7);
    RfprogProcess program;
    const LongName name = makeLongName(program);
    ASSERT_EQ(name.cut.size(), 259u);
    ASSERT_GT(name.full.size(), 259u);
    ASSERT_TRUE(program.start(settings));
    ASSERT_TRUE(program.setText(IdFileName, name.full));
    ASSERT_EQ(program.text(IdFileName).size(), name.full.size());
    const auto box = commandToMessage(program, IdRead);
    ASSERT_TRUE(box.has_value());
    EXPECT_TRUE(isMessage(*box, errorBox(messageText(Message::FileWriteError)), program.dialog()));
    EXPECT_TRUE(sameTraffic(program.trace().accesses(),
                            afterStartup(Traffic().readRomBlock(0, settings.rom)).accesses()));
    dismissAndClose(program, *box);
    EXPECT_TRUE(folderEntries(program.path(name.folders)).empty())
        << "a file was created under the long name or its first 259 characters";
}

TEST(LongFileName, CompareRefusesTheNameWithoutPortAccess) {
    SimSettings settings;
    settings.rom = pattern(RomSize, 8);
    RfprogProcess program;
    const LongName name = makeLongName(program);
    // Both the whole name and its first 259 characters name files that match the ROM.
    ASSERT_TRUE(writeFile(program.path(name.cut), settings.rom));
    ASSERT_TRUE(writeFile(program.path(name.full), settings.rom));
    ASSERT_TRUE(program.start(settings));
    ASSERT_TRUE(program.setText(IdFileName, name.full));
    const auto box = commandToMessage(program, IdCompare);
    ASSERT_TRUE(box.has_value());
    EXPECT_TRUE(isMessage(*box,
                          errorBox(messageText(Message::FileReadError), systemDefaultCaption()),
                          program.dialog()));
    EXPECT_TRUE(sameTraffic(program.trace().accesses(), startupTraffic().accesses()));
    dismissAndClose(program, *box);
}

TEST(LongFileName, ReadTakesANameOfExactly259Characters) {
    SimSettings settings;
    settings.rom = pattern(RomSize, 9);
    RfprogProcess program;
    const LongName name = makeLongName(program);
    ASSERT_TRUE(program.start(settings));
    ASSERT_TRUE(program.setText(IdFileName, name.cut));
    const auto box = commandToMessage(program, IdRead);
    ASSERT_TRUE(box.has_value());
    EXPECT_TRUE(isMessage(*box, infoBox(messageText(Message::FileWritten)), program.dialog()));
    EXPECT_TRUE(readFile(program.path(name.cut)) == settings.rom);
    dismissAndClose(program, *box);
}

} // namespace
} // namespace e2e
