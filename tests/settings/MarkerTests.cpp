// The scan for the marker line that opens the settings lines.
#include <gtest/gtest.h>
#include "services/uSettings.h"

static const std::string Marker = "$KORVANTE$\r\n";

TEST(FindMarkerLine, MarkerAsFirstLineIsFound)
{
    EXPECT_EQ(12, FindMarkerLine(Marker + "60000\r\n"));
    EXPECT_EQ(12, FindMarkerLine(Marker));
    // The layout the package builder writes: CR LF, then the marker.
    EXPECT_EQ(14, FindMarkerLine("\r\n" + Marker + "60000\r\n"));
    EXPECT_EQ(16, FindMarkerLine(std::string("MZ\0\n", 4) + Marker));
}

TEST(FindMarkerLine, MarkerBehindLineStartOnlyCounts)
{
    // A line starts after any LF, even one without CR before it.
    EXPECT_EQ(16, FindMarkerLine("abc\n" + Marker));
    // After a CR alone the marker is still inside the previous line.
    EXPECT_EQ(-1, FindMarkerLine("abc\r" + Marker));
    EXPECT_EQ(-1, FindMarkerLine("x" + Marker));
}

TEST(FindMarkerLine, MarkerBehindLoneLineFeedIsNotFound)
{
    EXPECT_EQ(-1, FindMarkerLine("$KORVANTE$\n"));
    EXPECT_EQ(-1, FindMarkerLine("$KORVANTE$\nabc\n"));
    EXPECT_EQ(-1, FindMarkerLine("$KORVANTE$\r"));
    EXPECT_EQ(-1, FindMarkerLine("$KORVANTE$"));
    EXPECT_EQ(-1, FindMarkerLine("$KORVANTE$\r\r\n"));
}

TEST(FindMarkerLine, BlanksAroundMarkerAreNotFound)
{
    EXPECT_EQ(-1, FindMarkerLine("\r\n $KORVANTE$\r\n"));
    EXPECT_EQ(-1, FindMarkerLine("\r\n$KORVANTE$ \r\n"));
    EXPECT_EQ(-1, FindMarkerLine("\r\n$korvante$\r\n"));
    EXPECT_EQ(-1, FindMarkerLine("\r\n\t$KORVANTE$\r\n"));
    EXPECT_EQ(-1, FindMarkerLine(std::string("\r\n$KORVANTE$\0\r\n", 15)));
    EXPECT_EQ(-1, FindMarkerLine(""));
}

TEST(FindMarkerLine, FirstOfTwoMarkersWins)
{
    const std::string bytes = "\r\n" + Marker + "1\r\n" + Marker + "2\r\n";
    EXPECT_EQ(14, FindMarkerLine(bytes));
    // A spoiled first marker does not hide the second.
    EXPECT_EQ(27, FindMarkerLine("\r\n $KORVANTE$\r\n" + Marker + "2\r\n"));
}
