// The log file: truncated by the first line of a run, appended after that,
// each message written as it stands.
#include <sys/stat.h>

#include "app/app_fixture.h"
#include "base/log.h"

namespace {

class LogTest : public AppFixture {
protected:
    std::string LogText() const { return ReadText(root + "/log/log.txt"); }
};

TEST_F(LogTest, FirstLineOfARunReplacesTheOldLogLaterLinesAppend) {
    {
        std::ofstream old(root + "/log/log.txt");
        old << "a line of the previous run\n";
    }
    SetLogPath("..//log//log.txt");
    EXPECT_TRUE(Log("Init Direct3D: TRUE"));
    EXPECT_TRUE(Log("D3D Initialisiert"));
    EXPECT_EQ(LogText(), "Init Direct3D: TRUE\nD3D Initialisiert\n");
}

TEST_F(LogTest, MessagesAreWrittenUnchangedUmlautsAsSingleBytes) {
    SetLogPath("..//log//log.txt");
    Log("Eingaben \374berpr\374ft");
    Log(" Objekt(e) Freigegeben");
    Log("100% %s %n %d");  // never read as a format
    EXPECT_EQ(LogText(), "Eingaben \374berpr\374ft\n Objekt(e) Freigegeben\n100% %s %n %d\n");
}

TEST_F(LogTest, AMissingDirectoryLosesTheLineAndTheNextFirstLineStillTruncates) {
    std::filesystem::rename(root + "/log", root + "/log.away");
    SetLogPath("..//log//log.txt");
    EXPECT_FALSE(Log("lost"));
    std::filesystem::rename(root + "/log.away", root + "/log");
    {
        std::ofstream old(root + "/log/log.txt");
        old << "stale\n";
    }
    // No line of this run has been written yet, so this one truncates.
    EXPECT_TRUE(Log("first"));
    EXPECT_TRUE(Log("second"));
    EXPECT_EQ(LogText(), "first\nsecond\n");
}

TEST_F(LogTest, AReadOnlyDirectoryLogsNothing) {
    if (geteuid() == 0) {
        // root writes through permissions; a read-only file system is the
        // same fault, so a path below a file stands in for it.
        SetLogPath("/proc/version/log.txt");
    } else {
        chmod((root + "/log").c_str(), 0555);
        SetLogPath("..//log//log.txt");
    }
    EXPECT_FALSE(Log("nowhere"));
    chmod((root + "/log").c_str(), 0755);
}

}  // namespace
