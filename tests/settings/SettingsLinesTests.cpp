// Reading the settings lines from bytes: line rules, numbers, flags, the
// licence loop, the message table and the command-line arguments.
#include <gtest/gtest.h>
#include "SettingsBlock.h"
#include "services/uSettings.h"

namespace {

TPackageSettings Parse(const std::string &bytes, const std::vector<std::string> &arguments = {})
{
    TPackageSettings settings;
    ParseSettingsLines(bytes, arguments, settings);
    return settings;
}

TPackageSettings ParseLines(const TSettingsLines &s, const std::vector<std::string> &arguments = {})
{
    return Parse(JoinLines(s.Lines), arguments);
}

// Settings whose line `index` holds `value`.
TPackageSettings WithLine(size_t index, const std::string &value)
{
    TSettingsLines s = MakeSettingsLines();
    s.Lines[index] = value;
    return ParseLines(s);
}

}  // namespace

TEST(ParseSettingsLines, WellFormedBlockFillsEveryField)
{
    TSettingsLines s = MakeSettingsLines();
    s.Lines[4] = "Install now?";
    s.Lines[s.AfterLicence(4)] = "/s";
    TPackageSettings p = ParseLines(s);
    EXPECT_TRUE(p.Complete);
    EXPECT_EQ(60000, p.LibraryOffset);
    EXPECT_EQ(40000, p.LibraryLength);
    EXPECT_EQ(2500, p.BlockLength);
    EXPECT_EQ(102500, p.CabinetOffset);
    EXPECT_EQ("Demo", p.Title);
    EXPECT_EQ("Kelvardo Tovrex - Demo", p.Caption);
    EXPECT_EQ("Install now?", p.StartQuestion);
    EXPECT_EQ("", p.LicenceText);
    EXPECT_EQ("Done.", p.CompletionMessage);
    EXPECT_EQ("$INSTALL$", p.Destination);
    EXPECT_EQ("setup.exe", p.Command);
    EXPECT_EQ("/s", p.Parameters);
    EXPECT_EQ(0, p.RequiredBytes);
    EXPECT_FALSE(p.PasswordProtected);
    EXPECT_FALSE(p.Silent);
    for (int n = 1; n <= MessageCount; ++n)
        EXPECT_EQ("M" + std::to_string(n), p.Messages[n]) << n;
    EXPECT_EQ("", p.Messages[0]);
    EXPECT_EQ("M42", p.DamagedMessage);
}

TEST(ParseSettingsLines, PasswordFlagChoosesDamagedMessage)
{
    TSettingsLines s = MakeSettingsLines();
    EXPECT_EQ("M42", ParseLines(s).DamagedMessage);
    s.Lines[s.AfterLicence(6)] = "TRUE";
    TPackageSettings p = ParseLines(s);
    EXPECT_TRUE(p.PasswordProtected);
    EXPECT_EQ("M43", p.DamagedMessage);
}

TEST(ParseSettingsLines, LicenceLinesAreJoinedWithCrLf)
{
    TPackageSettings p = ParseLines(MakeSettingsLines({"a", "", "b"}));
    EXPECT_EQ("a\r\n\r\nb", p.LicenceText);
    EXPECT_EQ("Done.", p.CompletionMessage);
    EXPECT_EQ("M56", p.Messages[56]);

    EXPECT_EQ("", ParseLines(MakeSettingsLines({""})).LicenceText);
    EXPECT_EQ("one", ParseLines(MakeSettingsLines({"one"})).LicenceText);
    EXPECT_EQ("\r\n", ParseLines(MakeSettingsLines({"", ""})).LicenceText);
    // The end-of-licence text with anything around it is licence text.
    TPackageSettings q = ParseLines(MakeSettingsLines({" " + EndOfLicence()}));
    EXPECT_EQ(" " + EndOfLicence(), q.LicenceText);
    EXPECT_TRUE(q.Complete);
}

TEST(ParseSettingsLines, TextLinesAreKeptAsTheyStand)
{
    TSettingsLines s = MakeSettingsLines();
    const size_t destination = s.AfterLicence(2);
    EXPECT_EQ("$install$", WithLine(destination, "$install$").Destination);
    EXPECT_EQ(" $EXE$ ", WithLine(destination, " $EXE$ ").Destination);
    EXPECT_EQ("\t title\t", WithLine(3, "\t title\t").Title);
}

TEST(ParseSettingsLines, FlagsAreTrueOnlyForExactUpperCaseTrue)
{
    const size_t silent = MakeSettingsLines().AfterLicence(7);
    EXPECT_TRUE(WithLine(silent, "TRUE").Silent);
    for (const char *spelling : {"true", "True", "TRUE ", " TRUE", "", "1", "TRUEX", "FALSE"})
        EXPECT_FALSE(WithLine(silent, spelling).Silent) << '"' << spelling << '"';

    const size_t password = MakeSettingsLines().AfterLicence(6);
    EXPECT_TRUE(WithLine(password, "TRUE").PasswordProtected);
    EXPECT_FALSE(WithLine(password, "true").PasswordProtected);
    EXPECT_FALSE(WithLine(password, "TRUE ").PasswordProtected);
    EXPECT_FALSE(WithLine(password, "").PasswordProtected);
}

TEST(ParseSettingsLines, RequiredMegabytesBecomeBytes)
{
    const size_t required = MakeSettingsLines().AfterLicence(5);
    EXPECT_EQ(2097152, WithLine(required, "2").RequiredBytes);
    EXPECT_EQ(-1048576, WithLine(required, "-1").RequiredBytes);
    EXPECT_EQ(8796093022207LL * 1048576, WithLine(required, "8796093022207").RequiredBytes);
    // Products beyond the 64-bit range saturate: such a need cannot be met.
    EXPECT_EQ(INT64_MAX, WithLine(required, "8796093022208").RequiredBytes);
    EXPECT_EQ(INT64_MAX, WithLine(required, "9223372036854775807").RequiredBytes);
    EXPECT_EQ(INT64_MIN, WithLine(required, "-8796093022208").RequiredBytes);
    EXPECT_EQ(INT64_MIN, WithLine(required, "-8796093022209").RequiredBytes);
    // Beyond the 64-bit range even before multiplying: malformed.
    EXPECT_EQ(0, WithLine(required, "9223372036854775808").RequiredBytes);
    EXPECT_EQ(0, WithLine(required, "99999999999999999999").RequiredBytes);
}

TEST(ParseSettingsLines, NumbersTooLargeForTheirFieldReadAsZero)
{
    EXPECT_EQ(2147483647, WithLine(0, "2147483647").LibraryOffset);
    EXPECT_EQ(0, WithLine(0, "2147483648").LibraryOffset);
    EXPECT_EQ(-2147483647 - 1, WithLine(1, "-2147483648").LibraryLength);
    EXPECT_EQ(0, WithLine(1, "-2147483649").LibraryLength);
    EXPECT_EQ(0, WithLine(1, "4294967296").LibraryLength);
    EXPECT_EQ(INT64_MAX, WithLine(2, "9223372036854775807").BlockLength);
    EXPECT_EQ(INT64_MIN, WithLine(2, "-9223372036854775808").BlockLength);
    EXPECT_EQ(0, WithLine(2, "9223372036854775808").BlockLength);
    EXPECT_EQ(0, WithLine(2, "-9223372036854775809").BlockLength);
    EXPECT_EQ(0, WithLine(2, "18446744073709551616").BlockLength);
}

TEST(ParseSettingsLines, CabinetOffsetIsTheSumWithoutOverflow)
{
    auto offset = [](const char *a, const char *b, const char *c) {
        TSettingsLines s = MakeSettingsLines();
        s.Lines[0] = a;
        s.Lines[1] = b;
        s.Lines[2] = c;
        return ParseLines(s).CabinetOffset;
    };
    EXPECT_EQ(102500, offset("60000", "40000", "2500"));
    // The first two would overflow as 32-bit values.
    EXPECT_EQ(4294967294LL, offset("2147483647", "2147483647", "0"));
    EXPECT_EQ(4294967296LL + 5, offset("2147483647", "2147483647", "7"));
    // A 64-bit overflow gives an offset that cannot be sought.
    EXPECT_EQ(-1, offset("2147483647", "1", "9223372036854775807"));
    EXPECT_EQ(-1, offset("-2147483648", "-1", "-9223372036854775808"));
    EXPECT_EQ(INT64_MAX, offset("1", "-1", "9223372036854775807"));
}

TEST(ParseSettingsLines, MalformedNumbersReadAsZero)
{
    EXPECT_EQ(0, WithLine(0, "12a").LibraryOffset);
    EXPECT_EQ(0, WithLine(0, "a12").LibraryOffset);
    EXPECT_EQ(0, WithLine(0, "-").LibraryOffset);
    EXPECT_EQ(0, WithLine(0, "+").LibraryOffset);
    EXPECT_EQ(0, WithLine(0, "--5").LibraryOffset);
    EXPECT_EQ(0, WithLine(0, "0x10").LibraryOffset);
    EXPECT_EQ(0, WithLine(0, "$10").LibraryOffset);
    EXPECT_EQ(0, WithLine(0, "1.5").LibraryOffset);
    EXPECT_EQ(0, WithLine(0, "1,000").LibraryOffset);
    EXPECT_EQ(5, WithLine(0, "+5").LibraryOffset);
    EXPECT_EQ(-5, WithLine(0, "-5").LibraryOffset);
    EXPECT_EQ(7, WithLine(0, "007").LibraryOffset);
    // A malformed number still ends its line: the next field is intact.
    TPackageSettings p = WithLine(0, "12a");
    EXPECT_EQ(40000, p.LibraryLength);
    EXPECT_EQ("Demo", p.Title);
}

TEST(ParseSettingsLines, NumbersEndAtFirstByteAtOrBelowBlank)
{
    TPackageSettings p = WithLine(0, "123 456");
    EXPECT_EQ(123, p.LibraryOffset);
    EXPECT_EQ(40000, p.LibraryLength);
    EXPECT_EQ(123, WithLine(0, "123\tx").LibraryOffset);
    EXPECT_EQ(123, WithLine(0, std::string("123\0x", 5)).LibraryOffset);
    // A lone LF ends the number but not the line.
    p = WithLine(0, "123\n456");
    EXPECT_EQ(123, p.LibraryOffset);
    EXPECT_EQ(40000, p.LibraryLength);
}

TEST(ParseSettingsLines, NumericLinesSkipLeadingBlanksTabsAndLineEnds)
{
    EXPECT_EQ(60000, WithLine(0, "  \t 60000").LibraryOffset);
    EXPECT_EQ(60000, WithLine(0, "\n\n60000").LibraryOffset);
    // A NUL is no blank: the number is empty, hence malformed.
    EXPECT_EQ(0, WithLine(0, std::string("\0" "60000", 6)).LibraryOffset);

    // An empty numeric line takes its number from the next line, which it
    // uses up: every later value moves up one line.
    TSettingsLines s = MakeSettingsLines();
    s.Lines.insert(s.Lines.begin() + 1, "");
    TPackageSettings p = ParseLines(s);
    EXPECT_EQ(60000, p.LibraryOffset);
    EXPECT_EQ(40000, p.LibraryLength);
    EXPECT_EQ("Demo", p.Title);

    s = MakeSettingsLines();
    s.Lines[1] = "";
    s.Lines[2] = " \t";
    s.Lines.insert(s.Lines.begin() + 3, {"   77", "88"});
    p = ParseLines(s);
    EXPECT_EQ(77, p.LibraryLength);
    EXPECT_EQ(88, p.BlockLength);
    EXPECT_EQ("Demo", p.Title);
}

TEST(ParseSettingsLines, LineEndsAtCarriageReturnOnly)
{
    // A lone LF is part of the line; a lone CR ends it.
    TPackageSettings p = WithLine(3, "a\nb");
    EXPECT_EQ("a\nb", p.Title);
    EXPECT_EQ("", p.StartQuestion);

    p = WithLine(3, "a\rb");
    EXPECT_EQ("a", p.Title);
    EXPECT_EQ("b", p.StartQuestion);
    // Every later line moves down one: the question line joins the licence.
    EXPECT_EQ("\r\n", p.LicenceText);
    EXPECT_TRUE(p.Complete);

    // CR CR LF: an empty line between, the LF goes with the second CR.
    p = Parse("1\r\n2\r\n3\r\nT\r\r\n");
    EXPECT_EQ("T", p.Title);
    EXPECT_EQ("", p.StartQuestion);

    // LF-only line ends: the whole rest is one line.
    p = Parse("1\n2\n3\nTitle\nQ\n");
    EXPECT_EQ(1, p.LibraryOffset);
    EXPECT_EQ(0, p.LibraryLength);
    EXPECT_EQ("", p.Title);
    EXPECT_FALSE(p.Complete);
}

TEST(ParseSettingsLines, NulBytesAreOrdinary)
{
    const std::string withNul("a\0b\0", 4);
    TPackageSettings p = WithLine(3, withNul);
    EXPECT_EQ(withNul, p.Title);
    EXPECT_EQ("Kelvardo Tovrex - " + withNul, p.Caption);
    TSettingsLines s = MakeSettingsLines();
    s.Lines[s.AfterLicence(7 + 10)] = std::string("x\0y", 3);
    EXPECT_EQ(std::string("x\0y", 3), ParseLines(s).Messages[10]);
}

TEST(ParseSettingsLines, EndOfFileByteEndsTheReadableText)
{
    // Inside the title: nothing after it exists, not even the licence end.
    TSettingsLines s = MakeSettingsLines();
    s.Lines[3] = "De\x1amo";
    TPackageSettings p = ParseLines(s);
    EXPECT_EQ("De", p.Title);
    EXPECT_EQ("", p.StartQuestion);
    EXPECT_FALSE(p.Complete);
    EXPECT_EQ("", p.Destination);
    EXPECT_EQ("", p.Messages[1]);

    // Inside message 10: messages 10 on read as empty.
    s = MakeSettingsLines();
    s.Lines[s.AfterLicence(7 + 10)] = "M\x1a" "10";
    p = ParseLines(s);
    EXPECT_TRUE(p.Complete);
    EXPECT_EQ("M9", p.Messages[9]);
    EXPECT_EQ("M", p.Messages[10]);
    EXPECT_EQ("", p.Messages[11]);
    EXPECT_EQ("", p.Messages[56]);

    // Inside a number, and the following line's CR LF is never reached.
    p = Parse("1\r\n2\x1a\r\n3\r\n");
    EXPECT_EQ(1, p.LibraryOffset);
    EXPECT_EQ(2, p.LibraryLength);
    EXPECT_EQ(0, p.BlockLength);
}

TEST(ParseSettingsLines, MissingEndOfLicenceStopsAtEndOfData)
{
    // The licence runs to the end of the data: every later field stays
    // empty, even though the lines would otherwise be taken as values.
    std::vector<std::string> lines = {"60000", "40000", "2500", "Demo", "Q", "a", "", "b",
                                      "$INSTALL$", "setup.exe", "", "0", "FALSE", "TRUE"};
    TPackageSettings p = Parse(JoinLines(lines), {"$SILENT$", "/q"});
    EXPECT_FALSE(p.Complete);
    EXPECT_EQ("Demo", p.Title);
    EXPECT_EQ("Kelvardo Tovrex - Demo", p.Caption);
    EXPECT_EQ("Q", p.StartQuestion);
    EXPECT_EQ(std::string("a\r\n\r\nb\r\n$INSTALL$\r\nsetup.exe\r\n\r\n0\r\nFALSE\r\nTRUE"),
              p.LicenceText);
    EXPECT_EQ("", p.CompletionMessage);
    EXPECT_EQ("", p.Destination);
    EXPECT_EQ("", p.Command);
    EXPECT_EQ("", p.Parameters);
    EXPECT_EQ(0, p.RequiredBytes);
    EXPECT_FALSE(p.PasswordProtected);
    EXPECT_FALSE(p.Silent);
    EXPECT_EQ("", p.Messages[1]);
    EXPECT_EQ("", p.DamagedMessage);

    // Ending without a final line end, and with no data at all.
    p = Parse("1\r\n2\r\n3\r\nT\r\nQ\r\nlicence");
    EXPECT_FALSE(p.Complete);
    EXPECT_EQ("licence", p.LicenceText);
    p = Parse("");
    EXPECT_FALSE(p.Complete);
    EXPECT_EQ("Kelvardo Tovrex - ", p.Caption);
}

TEST(ParseSettingsLines, EndOfLicenceAsLastLineCompletesTheBlock)
{
    TPackageSettings p = Parse("1\r\n2\r\n3\r\nT\r\nQ\r\nL\r\n" + EndOfLicence());
    EXPECT_TRUE(p.Complete);
    EXPECT_EQ("L", p.LicenceText);
    EXPECT_EQ("", p.Destination);
    EXPECT_EQ("", p.Messages[56]);
}

TEST(ParseSettingsLines, ArgumentsSwitchSilentAndExtendParameters)
{
    TPackageSettings p = ParseLines(MakeSettingsLines(), {"$silent$", "/q", "a b"});
    EXPECT_TRUE(p.Silent);
    EXPECT_EQ(" /q a b", p.Parameters);

    TSettingsLines s = MakeSettingsLines();
    s.Lines[s.AfterLicence(4)] = "-x";
    p = ParseLines(s, {"", "$Silent$x", "$SILENT$"});
    EXPECT_TRUE(p.Silent);
    EXPECT_EQ("-x  $Silent$x", p.Parameters);

    // Each argument is handed on with its own text, quotes included; the
    // switch counts quoted too.
    p = ParseLines(MakeSettingsLines(), {"\"/dir=C:\\a b /uninstall\"", "\"$silent$\"", "\"\"", "x\"&\"y"});
    EXPECT_TRUE(p.Silent);
    EXPECT_EQ(" \"/dir=C:\\a b /uninstall\" \"\" x\"&\"y", p.Parameters);

    // Only the ASCII letters are folded.
    p = ParseLines(MakeSettingsLines(), {"$S\xc9LENT$"});
    EXPECT_FALSE(p.Silent);
    EXPECT_EQ(" $S\xc9LENT$", p.Parameters);

    // Nothing on the command line switches a silent package off.
    s = MakeSettingsLines();
    s.Lines[s.AfterLicence(7)] = "TRUE";
    EXPECT_TRUE(ParseLines(s, {"/q"}).Silent);
    // The arguments do not shift the message table.
    EXPECT_EQ("M1", ParseLines(s, {"/q"}).Messages[1]);
}

TEST(ParseSettingsLines, EarlierValuesAreCleared)
{
    TPackageSettings settings;
    ParseSettingsLines(JoinLines(MakeSettingsLines({"x"}).Lines), {"/a"}, settings);
    ParseSettingsLines("", {}, settings);
    EXPECT_EQ("", settings.LicenceText);
    EXPECT_EQ("", settings.Parameters);
    EXPECT_EQ("", settings.Messages[1]);
    EXPECT_EQ(0, settings.LibraryOffset);
    EXPECT_FALSE(settings.Complete);
}

// The extension area after the messages: only behind its own line, only
// up to the cabinet and its size limit; unknown tags skipped, the first of
// a repeated tag kept.
TEST(ParseSettingsLines, ExtensionAreaTags)
{
    struct Case {
        const char *Name;
        std::string Area;
        int64_t Offset;  // where the bytes begin in the package; -1: unknown
        uint32_t CodePage;
        std::string Caption;
    };
    const std::string big(ExtensionAreaLength, 'x');
    const Case cases[] = {
        {"none", "", -1, 0, "Kelvardo Tovrex - Demo"},
        {"tags", "$EXTENSIONS$\r\nCODEPAGE=65001\r\nCAPTION=Setup\r\nSHA256=" + std::string(64, 'a') + "," +
         std::string(64, 'b') + "\r\nSHA256=c\r\n", -1, 65001, "Setup"},
        {"unknown and repeated", "$EXTENSIONS$\r\nNEW=1\r\nplain\r\nCODEPAGE=932\r\nCODEPAGE=1251\r\n", -1, 932,
         "Kelvardo Tovrex - Demo"},
        {"no opening line", "CODEPAGE=932\r\nCAPTION=Setup\r\n", -1, 0, "Kelvardo Tovrex - Demo"},
        {"malformed number", "$EXTENSIONS$\r\nCODEPAGE=65001x\r\n", -1, 0, "Kelvardo Tovrex - Demo"},
        // The cabinet begins at 102,500: 10 bytes into settings read from
        // 102,490, long before these tags.
        {"past the cabinet", "$EXTENSIONS$\r\nCODEPAGE=932\r\n", 102490, 0, "Kelvardo Tovrex - Demo"},
        {"past the limit", "$EXTENSIONS$\r\n" + big + "\r\nCODEPAGE=932\r\n", -1, 0, "Kelvardo Tovrex - Demo"},
    };
    for (const Case &c : cases) {
        TPackageSettings settings;
        ParseSettingsLines(JoinLines(MakeSettingsLines().Lines) + c.Area, {}, settings, c.Offset);
        EXPECT_EQ(c.CodePage, settings.CodePage) << c.Name;
        EXPECT_EQ(c.Caption, settings.Caption) << c.Name;
        EXPECT_EQ("M56", settings.Messages[56]) << c.Name;
    }
}

// The builder's writer and the extractor's reader share one table: what is
// written reads back field for field, the licence's lines and the
// extension area's tags included.
TEST(ParseSettingsLines, WrittenRecordReadsBack)
{
    for (const char *licence : {"", "a\r\n\r\nb"}) {
        TSettingsBlock written;
        written.LibraryOffset = 60000;
        written.LibraryLength = -1;
        written.Title = "Demo";
        written.LicenceText = licence;
        written.Destination = "$INSTALL$";
        written.RequiredBytes = 3 * Megabyte;
        written.PasswordProtected = true;
        for (int number = 1; number <= MessageCount; ++number)
            written.Messages[number] = "M" + std::to_string(number);
        AppendExtension(written.Extensions, CodePageTag, "932");
        AppendExtension(written.Extensions, CaptionTag, "Setup");
        const std::string block = WriteSettingsBlock(written);
        ASSERT_EQ(SettingsMarkerLine.size() + 2, static_cast<size_t>(FindMarkerLine(block)));
        const TPackageSettings read = Parse(block.substr(FindMarkerLine(block)));
        EXPECT_EQ(static_cast<int64_t>(block.size()), read.BlockLength);
        EXPECT_EQ(written.LibraryLength, read.LibraryLength);
        EXPECT_EQ(written.LicenceText, read.LicenceText);
        EXPECT_EQ(written.RequiredBytes, read.RequiredBytes);
        EXPECT_TRUE(read.PasswordProtected && read.Complete);
        EXPECT_EQ("M43", read.DamagedMessage);
        EXPECT_EQ("M56", read.Messages[MessageCount]);
        EXPECT_EQ(932u, read.CodePage);
        EXPECT_EQ("Setup", read.Caption);
    }
}
