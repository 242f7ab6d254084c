// Numbers under a user's locale with a decimal comma: once Qt has started
// (the first paint of a plot starts it), files, results and what the program
// reads back still use a point.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <locale.h>
#include <string>

#include "app/result_parameters.h"
#include "app/window_fixture.h"
#include "app/xml_reader.h"
#include "scandata/rotor_speed_profile.h"
#include "scandata/scan_data.h"

namespace {

const char szDecimalComma[] = "de_DE.UTF-8";

}  // namespace

class LocaleTest : public MainWindowTest {
protected:
    std::string WriteAndReadAfterTheFirstPaint();
};

// The work of the child process: a fresh program under the user's locale.
// Returns what went wrong, nothing when all is well.
std::string LocaleTest::WriteAndReadAfterTheFirstPaint()
{
    std::string problems;
    auto check = [&](bool ok, const std::string& what) {
        if (!ok) problems += what + "\n";
    };
    // The first paint of scans starts Qt, which takes the user's locale.
    OpenWindow();
    std::filesystem::create_directories(scratch + "first");
    LoadScans(writeBoundaryScans(scratch + "first", 2));
    const char* szCtype = std::setlocale(LC_CTYPE, nullptr);
    check(szCtype && std::strcmp(szCtype, szDecimalComma) == 0,
          std::string("Qt did not take the user's locale (LC_CTYPE is ") + (szCtype ? szCtype : "?") + ")");
    char sz[32];
    std::snprintf(sz, sizeof sz, "%.1f", 0.5);
    check(std::strcmp(sz, "0.5") == 0, std::string("0.5 is printed \"") + sz + "\"");
    check(std::atof("2.5") == 2.5, "\"2.5\" is read as " + std::to_string(std::atof("2.5")));

    // a scan file written and loaded again
    std::filesystem::create_directories(scratch + "scans");
    std::vector<std::string> paths = writeBoundaryScans(scratch + "scans", 2);
    std::string text = MainWindowTest::readText(paths[0]);
    check(text.find("\n   5.9550  ") != std::string::npos, "the second radius is not written 5.9550:\n" + text.substr(0, 200));
    LoadScans(paths);
    check(nScans == 2, "the scans did not load");
    if (nScans == 2) {
        check(pScanHeaders[1].temperature == 20.0f && pScanHeaders[1].rpm == 50000.0f &&
                  pScanHeaders[2].time == 1200.0,
              "the header numbers read back differ");
        check(ppRadius[1][2] == 5.955f, "the second radius reads back as " + std::to_string(ppRadius[1][2]));
    }

    // a speed-steps file
    float start[3] = {0, 0, 3600.5f}, rpm[3] = {0, 20000, 40000}, rate[3] = {0, 300.25f, 150.5f};
    CRotorSpeedProfile written, read;
    written.SetSteps(2, start, rpm, rate);
    std::string steps = scratch + "speedsteps.txt";
    check(written.Save(steps.c_str()), "speedsteps.txt was not written");
    text = MainWindowTest::readText(steps);
    check(text.find("3600.500000\t40000.000000\t150.500000") != std::string::npos, "speedsteps.txt holds:\n" + text);
    read.Load(steps.c_str());
    check(read.nSteps == 2 && read.stepStart[2] == 3600.5f && read.stepRate[1] == 300.25f,
          "the speed steps read back differ");

    // the result record
    ResultRecord r;
    r.bHaveParameters = true;
    r.pfValue[13] = 6.05f;
    r.bHaveRmsd = true;
    r.fRmsd = 0.0125f;
    std::string record = scratch + "ResultParameters.xml";
    check(writeResultParameters(record.c_str(), r) == 1, "the record was not written");
    std::string err;
    auto root = parseXmlFile(record, &err);
    check(root != nullptr, "the record does not parse: " + err);
    if (root) {
        const XmlNode* rmsd = root->child("Rmsd");
        check(rmsd && rmsd->text == "0.0125000002", "Rmsd is " + (rmsd ? rmsd->text : std::string("missing")));
        const XmlNode* params = root->child("Parameters");
        std::string value = params && params->all("Parameter").size() == 34 ? params->all("Parameter")[12]->attr("value") : "";
        check(value == "6.05000019", "the meniscus is recorded as \"" + value + "\"");
    }
    return problems;
}

// The test's child is the program started afresh under a German locale: Qt
// is not running in it yet, as in a program just started.
TEST_F(LocaleTest, NumbersKeepTheirPointAfterQtStartsUnderADecimalCommaLocale)
{
    locale_t loc = newlocale(LC_ALL_MASK, szDecimalComma, nullptr);
    ASSERT_NE(loc, nullptr) << szDecimalComma << " is not installed (Debian: locales-all, see scripts/deps.sh)";
    freelocale(loc);
    const char* szOld = std::getenv("LC_ALL");
    std::string old = szOld ? szOld : "";
    setenv("LC_ALL", szDecimalComma, 1);
    EXPECT_EXIT(
        {
            std::string problems = WriteAndReadAfterTheFirstPaint();
            std::fputs(problems.c_str(), stderr);
            std::exit(problems.empty() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    if (szOld)
        setenv("LC_ALL", old.c_str(), 1);
    else
        unsetenv("LC_ALL");
}
