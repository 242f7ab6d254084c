// The parameter file of the unattended run and its results record.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/app_fixture.h"
#include "app/parameter_file.h"
#include "app/result_parameters.h"
#include "app/xml_reader.h"

namespace {

class ParameterFileTest : public AppFolderTest {
protected:
    void SetUp() override
    {
        AppFolderTest::SetUp();
        data = scratch + "data";
        std::filesystem::create_directories(data);
        for (const char* n : {"f9.RA1", "f10.RA1", "f11.RA1", "f10.RA2", "f12.RA1", "list.RA1", "notes.txt"})
            writeText(data + "/" + n, "x");
    }
    std::string file(const std::string& body)
    {
        std::string p = scratch + "run.xml";
        writeText(p, body);
        return p;
    }
    std::string error(const std::string& body)
    {
        RunParameters p;
        std::string err;
        EXPECT_EQ(readParameterFile(file(body).c_str(), &p, &err), 0);
        return err;
    }
    std::string data;
};

}  // namespace

TEST_F(ParameterFileTest, ReadsEveryKey)
{
    std::string body = "<job>\n <DataDirectory> " + data + " </DataDirectory>\n"
                       " <OutputResultsDirectory>" + scratch + "out &amp; more</OutputResultsDirectory>\n"
                       " <Channel>1</Channel><FirstScan>10</FirstScan><LastScan>12</LastScan>\n"
                       " <Model>continuous c(s) distribution</Model>\n"
                       " <RegularizationType>Max Ent</RegularizationType><AutoFit>1</AutoFit>\n"
                       " <LammThreads>64</LammThreads><NEQThreads>1</NEQThreads>\n"
                       " <UseMinSForLogGrid>1</UseMinSForLogGrid>\n"
                       " <MinSForLogGrid>0.5</MinSForLogGrid></job>\n";
    RunParameters p;
    std::string err;
    ASSERT_EQ(readParameterFile(file(body).c_str(), &p, &err), 1) << err;
    EXPECT_EQ(p.szDataDirectory, data);  // blanks around a value do not count
    EXPECT_EQ(p.szOutputResultsDirectory, scratch + "out & more");
    EXPECT_EQ(p.nFirstScan, 10);
    EXPECT_EQ(p.nLastScan, 12);
    EXPECT_EQ(p.szModel, "continuous c(s) distribution");
    EXPECT_EQ(p.szRegularizationType, "max ent");
    EXPECT_EQ(p.bAutoFit, 1);
    EXPECT_EQ(p.nLammThreads, 64);
    EXPECT_EQ(p.nNEQThreads, 1);
    EXPECT_TRUE(p.warnings.empty());  // the root that holds the keys is no key
    EXPECT_EQ(p.bUseMinSForLogGrid, 1);
    EXPECT_FLOAT_EQ(p.fMinSForLogGrid, 0.5f);
    // channel 1, numbers 10..12, in numeric order
    std::vector<std::string> files = runScanFiles(p);
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[0], data + "/f10.RA1");
    EXPECT_EQ(files[1], data + "/f11.RA1");
    EXPECT_EQ(files[2], data + "/f12.RA1");
    // without a range every numbered scan of the channel, f9 before f10
    p.nFirstScan = 1;
    p.nLastScan = 99999;
    files = runScanFiles(p);
    ASSERT_EQ(files.size(), 4u);
    EXPECT_EQ(files[0], data + "/f9.RA1");
    // a range holds both its ends, so one that begins and ends at 11 is the
    // single scan f11: it is read, not refused as ending before it begins
    RunParameters one;
    ASSERT_EQ(readParameterFile(file("<DataDirectory>" + data + "</DataDirectory><OutputResultsDirectory>" + scratch +
                                     "o</OutputResultsDirectory><FirstScan>11</FirstScan><LastScan>11</LastScan>")
                                    .c_str(),
                                &one, &err),
              1)
        << err;
    EXPECT_EQ(runScanFiles(one), std::vector<std::string>{data + "/f11.RA1"});
}

TEST_F(ParameterFileTest, InvalidFilesAreRefusedWithTheirReason)
{
    const std::string dirs = "<DataDirectory>" + data + "</DataDirectory><OutputResultsDirectory>" + scratch +
                             "o</OutputResultsDirectory>";
    RunParameters p;
    std::string err;
    EXPECT_EQ(readParameterFile((scratch + "nothing.xml").c_str(), &p, &err), 0);
    EXPECT_NE(err.find("nothing.xml"), std::string::npos);
    EXPECT_NE(error("<OutputResultsDirectory>x</OutputResultsDirectory>").find("<DataDirectory> is missing"),
              std::string::npos);
    EXPECT_NE(error(dirs + "<Channel>3").find("no closing tag </Channel>"), std::string::npos);
    EXPECT_NE(error(dirs + "<Channel>9</Channel>").find("Channel must be a cell number"), std::string::npos);
    EXPECT_NE(error(dirs + "<FirstScan>5</FirstScan><LastScan>4</LastScan>").find("smaller"), std::string::npos);
    EXPECT_NE(error(dirs + "<FirstScan>1x</FirstScan>").find("FirstScan must be"), std::string::npos);
    // A scan number is at most nine digits: a file whose name ends in ten is
    // no scan of any range, and a range that begins past nine digits is
    // refused by its first number, not as a range ending before it begins.
    writeText(data + "/f1000000000.RA1", "x");
    RunParameters all;
    all.szDataDirectory = data;
    all.nFirstScan = 0;
    all.nLastScan = 999999999;
    EXPECT_EQ(runScanFiles(all).size(), 4u);  // f9, f10, f11 and f12
    const std::string pastNineDigits = error(dirs + "<FirstScan>1000000000</FirstScan><LastScan>999999999</LastScan>");
    EXPECT_NE(pastNineDigits.find("FirstScan must be a scan number, not \"1000000000\""), std::string::npos)
        << pastNineDigits;
    EXPECT_NE(error(dirs + "<LastScan>1000000000</LastScan>").find("LastScan must be a scan number"),
              std::string::npos);
    // a NUL byte is no text: it would end a number early ("12", NUL, "x"
    // taken for 12) or cut a folder's name short where the system reads it
    const std::string nul(1, '\0');
    EXPECT_NE(error(dirs + "<LastScan>12" + nul + "x</LastScan>").find("holds a NUL byte"), std::string::npos);
    EXPECT_NE(error("<DataDirectory>" + data + "</DataDirectory><OutputResultsDirectory>" + scratch + "res" + nul +
                    "ults</OutputResultsDirectory>")
                  .find("holds a NUL byte"),
              std::string::npos);
    EXPECT_NE(error(dirs + "<Model>c(q)</Model>").find("unknown Model \"c(q)\""), std::string::npos);
    EXPECT_NE(error(dirs + "<RegularizationType>L1</RegularizationType>").find("unknown RegularizationType"),
              std::string::npos);
    EXPECT_NE(error(dirs + "<AutoFit>yes</AutoFit>").find("AutoFit must be 0 or 1"), std::string::npos);
    EXPECT_NE(error(dirs + "<Channel>5</Channel>").find("no scan files of channel 5"), std::string::npos);
    EXPECT_NE(error("<DataDirectory>" + data + "/f9.RA1</DataDirectory><OutputResultsDirectory>o"
                    "</OutputResultsDirectory>")
                  .find("is no folder"),
              std::string::npos);
    EXPECT_NE(error(dirs + "<MinSForLogGrid>-1</MinSForLogGrid>").find("positive"), std::string::npos);
    EXPECT_NE(error("<DataDirectory>" + data + "</DataDirectory><OutputResultsDirectory>" + data +
                    "/.</OutputResultsDirectory>")
                  .find("the OutputResultsDirectory is the DataDirectory"),
              std::string::npos);
    // both worker counts are 1 to 64 (docs/app.md), as the preferences take them
    for (const char* szKey : {"LammThreads", "NEQThreads"})
        for (const char* szValue : {"0", "65"}) {
            const std::string key = szKey;
            EXPECT_NE(error(dirs + "<" + key + ">" + szValue + "</" + key + ">")
                          .find(key + " must be a number of threads 1 to 64"),
                      std::string::npos)
                << key << " " << szValue;
        }
    // every switch is 0 or 1: 2 and -1 are refused by its name
    for (const char* szSwitch : {"AutoFit", "UseMinSForLogGrid", "FitMeniscus", "FitBottom", "FitFrictionalRatio",
                                 "FitTINoise", "FitRINoise"})
        for (const char* szValue : {"2", "-1"}) {
            const std::string key = szSwitch;
            EXPECT_NE(error(dirs + "<" + key + ">" + szValue + "</" + key + ">").find(key + " must be 0 or 1"),
                      std::string::npos)
                << key << " " << szValue;
        }
    EXPECT_NE(error(dirs + "<FitRINoise>on</FitRINoise>").find("FitRINoise must be 0 or 1"), std::string::npos);
    // a file of 1 MB (2^20 bytes, here the keys and blanks) is read; one byte
    // more is larger than 1 MB and refused as no parameter file
    std::string mb = dirs;
    mb.resize(1u << 20, ' ');
    RunParameters big;
    std::string why;
    EXPECT_NE(readParameterFile(file(mb).c_str(), &big, &why), 0) << why;
    EXPECT_NE(error(mb + " ").find("larger than 1 MB, not a parameter file"), std::string::npos);
    EXPECT_NE(error(dirs + "<Meniscus>-6</Meniscus>").find("Meniscus must be a radius"), std::string::npos);
    EXPECT_NE(error(dirs + "<LeftFitLimit>six</LeftFitLimit>").find("LeftFitLimit must be"), std::string::npos);
    EXPECT_NE(error(dirs + "<Meniscus>7.2</Meniscus><Bottom>6</Bottom>").find("Meniscus is not smaller than Bottom"),
              std::string::npos);
    EXPECT_NE(error(dirs + "<MinMeniscus>6.1</MinMeniscus><MaxMeniscus>6</MaxMeniscus>").find("MinMeniscus is larger"),
              std::string::npos);
}

TEST_F(ParameterFileTest, GeometryAndFitSwitchesAreOptional)
{
    const std::string dirs = "<DataDirectory>" + data + "</DataDirectory><OutputResultsDirectory>" + scratch +
                             "o</OutputResultsDirectory>";
    RunParameters p;
    std::string err;
    ASSERT_EQ(readParameterFile(file(dirs + "<Meniscus>5.98</Meniscus><Bottom>7.2</Bottom><MinMeniscus>5.96"
                                            "</MinMeniscus><MaxMeniscus>6.03</MaxMeniscus><LeftFitLimit>6.05"
                                            "</LeftFitLimit><RightFitLimit>7.1</RightFitLimit><FitMeniscus>1"
                                            "</FitMeniscus><FitBottom>0</FitBottom><FitFrictionalRatio>1"
                                            "</FitFrictionalRatio><FitTINoise>0</FitTINoise><FitRINoise>1</FitRINoise>")
                                    .c_str(),
                                &p, &err),
              1)
        << err;
    EXPECT_FLOAT_EQ(p.fMeniscus, 5.98f);
    EXPECT_FLOAT_EQ(p.fBottom, 7.2f);
    EXPECT_FLOAT_EQ(p.fMinMeniscus, 5.96f);
    EXPECT_FLOAT_EQ(p.fMaxMeniscus, 6.03f);
    EXPECT_FLOAT_EQ(p.fLeftFitLimit, 6.05f);
    EXPECT_FLOAT_EQ(p.fRightFitLimit, 7.1f);
    EXPECT_EQ(p.bFitMeniscus, 1);
    EXPECT_EQ(p.bFitBottom, 0);
    EXPECT_EQ(p.bFitFrictionalRatio, 1);
    EXPECT_EQ(p.bFitTINoise, 0);
    EXPECT_EQ(p.bFitRINoise, 1);
    // absent: nothing to apply
    ASSERT_EQ(readParameterFile(file(dirs).c_str(), &p, &err), 1) << err;
    EXPECT_EQ(p.fMeniscus, 0.0f);
    EXPECT_EQ(p.bFitMeniscus, -1);
    EXPECT_EQ(p.bFitRINoise, -1);
}

// What a comment holds is not set: a model commented out is no model, and a
// key given again after its commented-out version counts. A comment inside a
// value is no part of it: the text on either side joins up, as in any XML
// reader (a comment is no character data), with no blank left in its place.
// A comment without its end, and a folder given as the parameter file, are
// refused by name.
TEST_F(ParameterFileTest, CommentsHideKeysAndAFolderIsNoParameterFile)
{
    const std::string dirs = "<DataDirectory>" + data + "</DataDirectory><OutputResultsDirectory>" + scratch +
                             "o</OutputResultsDirectory>";
    RunParameters p;
    std::string err;
    ASSERT_EQ(readParameterFile(file("<!-- an old job: <Model>c(q)</Model> <AutoFit>1</AutoFit> -->\n" + dirs +
                                     "<!--<FirstScan>10</FirstScan>--><LastScan>11</LastScan>")
                                    .c_str(),
                                &p, &err),
              1)
        << err;
    EXPECT_EQ(p.szModel, "none");
    EXPECT_EQ(p.bAutoFit, 0);
    EXPECT_EQ(p.nFirstScan, 1);
    EXPECT_EQ(p.nLastScan, 11);
    ASSERT_EQ(readParameterFile(file("<!-- <DataDirectory>/nowhere</DataDirectory> -->" + dirs).c_str(), &p, &err), 1)
        << err;
    EXPECT_EQ(p.szDataDirectory, data);
    ASSERT_EQ(readParameterFile(file("<DataDirectory>" + data + "</DataDirectory><OutputResultsDirectory>" + scratch +
                                     "o<!-- the third run: -->/run3</OutputResultsDirectory>"
                                     "<LastScan>1<!-- was 12 -->1</LastScan><Meniscus>5.98<!--cm--></Meniscus>")
                                    .c_str(),
                                &p, &err),
              1)
        << err;
    EXPECT_EQ(p.szOutputResultsDirectory, scratch + "o/run3");
    EXPECT_EQ(p.nLastScan, 11);
    EXPECT_FLOAT_EQ(p.fMeniscus, 5.98f);

    EXPECT_NE(error(dirs + "<!-- <Model>none</Model>").find("a comment <!-- has no end -->"), std::string::npos);
    EXPECT_EQ(readParameterFile(data.c_str(), &p, &err), 0);
    EXPECT_EQ(err, "parameter file " + data + ": is a folder, not a parameter file");
}

// An element that holds a value but is no key is named, with the nearest key
// where one is close (a name of another quantity, Speed, is no typo of Model,
// four of its five letters away; Temperature is 9 edits from its nearest
// key; Regularization is 4 letters short of RegularizationType and 10 or more
// edits from any other key); the file is still read. What a comment holds is
// no element.
TEST_F(ParameterFileTest, UnknownKeysAreNamedWithTheNearestKey)
{
    RunParameters p;
    std::string err;
    ASSERT_EQ(readParameterFile(file("<MorvexRun><DataDirectory>" + data + "</DataDirectory><OutputResultsDirectory>o"
                                     "</OutputResultsDirectory><FitMenicus>1</FitMenicus><lammthreads>2"
                                     "</lammthreads><Colour>blue</Colour><Speed>50000</Speed><Flag/>"
                                     "<Temperature>20</Temperature><Regularization>max ent</Regularization>"
                                     "<!-- <Typo>1</Typo> --><FitMenicus>0</FitMenicus></MorvexRun>")
                                    .c_str(),
                                &p, &err),
              1)
        << err;
    EXPECT_EQ(p.warnings, (std::vector<std::string>{"unknown key FitMenicus; did you mean FitMeniscus?",
                                                    "unknown key lammthreads; did you mean LammThreads?",
                                                    "unknown key Colour", "unknown key Speed", "unknown key Flag",
                                                    "unknown key Temperature",
                                                    "unknown key Regularization; did you mean RegularizationType?"}));
    EXPECT_EQ(p.bFitMeniscus, -1);
    EXPECT_EQ(p.nLammThreads, 0);
}

// Values the parameter dialog and the meniscus and bottom range table would
// not take are refused by their key: a denormal radius is no radius above 0,
// a meniscus lies inside the range given for it, the lower limit of a range
// lies below its upper one. The c(s,ff0) models need pre-averaged data, as
// their Model commands say.
TEST_F(ParameterFileTest, ValuesTheDialogsRefuseAreRefusedByTheirKey)
{
    const std::string dirs = "<DataDirectory>" + data + "</DataDirectory><OutputResultsDirectory>" + scratch +
                             "o</OutputResultsDirectory>";
    const std::string range = "<MinMeniscus>5.96</MinMeniscus><MaxMeniscus>6.03</MaxMeniscus><FitMeniscus>1</FitMeniscus>";
    EXPECT_EQ(error(dirs + "<Meniscus>1e-45</Meniscus>"),
              "parameter file " + scratch + "run.xml: Meniscus must be a radius in cm above 0, not \"1e-45\"");
    EXPECT_NE(error(dirs + "<MaxMeniscus>1e-40</MaxMeniscus>").find("MaxMeniscus must be a radius in cm above 0"),
              std::string::npos);
    EXPECT_NE(error(dirs + "<Meniscus>6.5</Meniscus>" + range).find("Meniscus lies above MaxMeniscus"),
              std::string::npos);
    EXPECT_NE(error(dirs + "<Meniscus>5.0</Meniscus>" + range).find("Meniscus lies below MinMeniscus"),
              std::string::npos);
    EXPECT_NE(error(dirs + "<MinMeniscus>5.96</MinMeniscus><MaxMeniscus>5.96</MaxMeniscus>")
                  .find("MinMeniscus equals MaxMeniscus: the lower limit of the meniscus range must lie below the "
                        "upper"),
              std::string::npos);
    EXPECT_NE(error(dirs + "<Meniscus>0.001</Meniscus><Bottom>100</Bottom>" + range).find("Meniscus lies below MinMeniscus"),
              std::string::npos);
    EXPECT_NE(error(dirs + "<Model>Continuous c(s,ff0)</Model>")
                  .find("the Model Continuous c(s,ff0) needs radially pre-averaged data: RadialResolution above "
                        "0.001 cm (0.003 recommended)"),
              std::string::npos);
    EXPECT_NE(error(dirs + "<RadialResolution>0.1</RadialResolution>")
                  .find("RadialResolution must be a radial resolution in cm from 0 to below 0.1, not \"0.1\""),
              std::string::npos);
    RunParameters p;
    std::string err;
    ASSERT_EQ(readParameterFile(file(dirs + "<Model>Continuous c(s,ff0)</Model><RadialResolution>0.003"
                                            "</RadialResolution>")
                                    .c_str(),
                                &p, &err),
              1)
        << err;
    EXPECT_FLOAT_EQ(p.fRadialResolution, 0.003f);
    // the range is closed below: 0 (Set Radial Resolution's own lower end)
    // is taken, anything under it refused
    p = RunParameters();
    ASSERT_EQ(readParameterFile(file(dirs + "<RadialResolution>0</RadialResolution>").c_str(), &p, &err), 1) << err;
    EXPECT_EQ(p.fRadialResolution, 0.0f);
    EXPECT_NE(error(dirs + "<RadialResolution>-0.001</RadialResolution>")
                  .find("RadialResolution must be a radial resolution in cm from 0 to below 0.1, not \"-0.001\""),
              std::string::npos);
}

// Numeric character references become UTF-8 of one to four bytes, at the
// edges of each length too.
TEST_F(ParameterFileTest, CharacterReferencesBecomeUtf8)
{
    const struct {
        const char* szRef;
        const char* szUtf8;
    } refs[] = {{"&#x7F;", "\x7F"},
                {"&#x80;", "\xC2\x80"},
                {"&#x7FF;", "\xDF\xBF"},
                {"&#x800;", "\xE0\xA0\x80"},
                {"&#xFFFF;", "\xEF\xBF\xBF"},
                {"&#x10000;", "\xF0\x90\x80\x80"},
                {"&#1114111;", "\xF4\x8F\xBF\xBF"}};
    for (const auto& r : refs) {
        RunParameters p;
        std::string err;
        ASSERT_EQ(readParameterFile(file("<DataDirectory>" + data + "</DataDirectory><OutputResultsDirectory>" +
                                         scratch + "o" + r.szRef + "</OutputResultsDirectory>")
                                        .c_str(),
                                    &p, &err),
                  1)
            << r.szRef << " " << err;
        EXPECT_EQ(p.szOutputResultsDirectory, scratch + "o" + r.szUtf8) << r.szRef;
    }
    // NUL is no character of an XML document, and Unicode ends at U+10FFFF:
    // such a reference stays as typed, so it neither cuts a folder's name
    // short nor ends a number early
    for (const char* szRef : {"&#0;", "&#x0;", "&#x110000;"}) {
        RunParameters p;
        std::string err;
        ASSERT_EQ(readParameterFile(file("<DataDirectory>" + data + "</DataDirectory><OutputResultsDirectory>" +
                                         scratch + "o" + szRef + "</OutputResultsDirectory>")
                                        .c_str(),
                                    &p, &err),
                  1)
            << szRef << " " << err;
        EXPECT_EQ(p.szOutputResultsDirectory, scratch + "o" + szRef);
    }
    EXPECT_NE(error("<DataDirectory>" + data + "</DataDirectory><OutputResultsDirectory>" + scratch +
                    "o</OutputResultsDirectory><LastScan>12&#0;</LastScan>")
                  .find("LastScan must be a scan number, not \"12&#0;\""),
              std::string::npos);
}

// A key whose start tag carries an attribute or a blank before ">" (or whose
// closing tag has a blank) is read, and the attribute is named: it is passed
// over. An unknown element with an attribute is named as unknown keys are; a
// key that holds elements or is an empty element has no value.
// A start tag ends at its ">" only: a "<" typed in place of it (a "<" can
// stand in no XML tag, nor in an attribute value) leaves the start tag
// without its end, and the key is refused by name, not read.
TEST_F(ParameterFileTest, KeysWithAttributesOrBlanksInTheirTagsAreRead)
{
    const std::string dirs = "<DataDirectory>" + data + "</DataDirectory><OutputResultsDirectory>" + scratch +
                             "o</OutputResultsDirectory>";
    RunParameters p;
    std::string err;
    ASSERT_EQ(readParameterFile(file("<MorvexRun>" + dirs + "<FitMeniscus type=\"int\">1</FitMeniscus>"
                                     "<Meniscus unit=\"cm\" >6.01</Meniscus ><Bottom >7.2</Bottom>"
                                     "<Colour shade=\"dark\">blue</Colour></MorvexRun>")
                                    .c_str(),
                                &p, &err),
              1)
        << err;
    EXPECT_EQ(p.bFitMeniscus, 1);
    EXPECT_FLOAT_EQ(p.fMeniscus, 6.01f);
    EXPECT_FLOAT_EQ(p.fBottom, 7.2f);
    EXPECT_EQ(p.warnings,
              (std::vector<std::string>{
                  "the attribute unit=\"cm\" of key Meniscus is ignored (the value is read as it stands)",
                  "the attribute type=\"int\" of key FitMeniscus is ignored (the value is read as it stands)",
                  "unknown key Colour"}));
    EXPECT_NE(error(dirs + "<Model><x>1</x></Model>").find("the key <Model> holds elements, not a value"),
              std::string::npos);
    EXPECT_NE(error(dirs + "<FitBottom/>").find("the key <FitBottom> is empty"), std::string::npos);
    // a ">" inside a quoted attribute value, in double or single quotes, does
    // not end the tag
    ASSERT_EQ(readParameterFile(file(dirs + "<Meniscus note=\"r > 6\">6.02</Meniscus>"
                                            "<Bottom note='b > r'>7.1</Bottom>")
                                    .c_str(),
                                &p, &err),
              1)
        << err;
    EXPECT_FLOAT_EQ(p.fMeniscus, 6.02f);
    EXPECT_FLOAT_EQ(p.fBottom, 7.1f);
    EXPECT_NE(error(dirs + "<LastScan<11</LastScan>").find("for <LastScan>"), std::string::npos);
    EXPECT_NE(error(dirs + "<Meniscus unit=\"cm\"<6.02</Meniscus>").find("for <Meniscus>"), std::string::npos);
}

// The keys are one table: each key the file may hold is read (a value it
// cannot take is refused by the key's name), is no unknown key, and the usage
// of --help names it.
TEST_F(ParameterFileTest, EveryKnownKeyIsReadAndNamedInTheUsage)
{
    const std::string dirs = "<DataDirectory>" + data + "</DataDirectory><OutputResultsDirectory>" + scratch +
                             "o</OutputResultsDirectory>";
    const std::string usage = runModeUsage();
    ASSERT_GE(parameterFileKeys().size(), 24u);
    for (const std::string& k : parameterFileKeys()) {
        EXPECT_NE(usage.find(k), std::string::npos) << k;
        if (k == "DataDirectory" || k == "OutputResultsDirectory") continue;
        const std::string why = error(dirs + "<" + k + ">?x</" + k + ">");
        EXPECT_NE(why.find(k), std::string::npos) << k << ": " << why;
        EXPECT_EQ(why.find("unknown key"), std::string::npos) << k << ": " << why;
    }
}

TEST_F(AppFolderTest, ResultRecordIsWellFormedXml)
{
    ResultRecord r;
    r.szParameterFile = "/jobs/a&b <1>.xml";
    r.szDataDirectory = "/data/\"quoted\" 'dir'";
    r.inputFiles = {"/data/f1.RA1", std::string("/data/bad\x01\xff name.RA1")};
    r.nScans = 2;
    r.szModel = "Continuous c(s) Distribution";
    r.bHaveParameters = true;
    r.pfValue[5] = 4.25f;
    r.pnFloat[5] = 1;
    r.pfValue[13] = 6.05f;
    r.bHaveRmsd = true;
    r.fRmsd = 0.00512f;
    r.bHaveDistribution = true;
    r.szDistributionKind = "c(s)";
    r.peaks.push_back({3.9f, 4.6f, 4.25f, 0.8f, 0.75f});
    r.peaks.push_back({6.0f, 7.0f, 6.5f, 0.2f, 0.25f});
    r.messages = {"MessageBox \"ERROR\" \"x < y\""};
    std::string path = scratch + "ResultParameters.xml";
    ASSERT_EQ(writeResultParameters(path.c_str(), r), 1);
    EXPECT_FALSE(std::filesystem::exists(path + ".new"));

    std::string err;
    auto root = parseXmlFile(path, &err);
    ASSERT_TRUE(root) << err;
    EXPECT_EQ(root->name, "cGMPMorvex");
    EXPECT_EQ(root->child("ParameterFile")->text, "/jobs/a&b <1>.xml");
    EXPECT_EQ(root->child("DataDirectory")->text, "/data/\"quoted\" 'dir'");
    auto files = root->child("InputFiles")->all("File");
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(root->child("InputFiles")->attr("count"), "2");
    EXPECT_EQ(files[1]->text, "/data/bad?? name.RA1");  // no control byte or broken UTF-8 in the record
    // only characters XML allows pass: no surrogate, overlong form, code point
    // above U+10FFFF or U+FFFF; proper multi-byte characters stay
    EXPECT_EQ(xmlEscape("a\xED\xA0\x80" "b"), "a???b");
    EXPECT_EQ(xmlEscape("\xE0\x80\xAF\xF4\x90\x80\x80\xEF\xBF\xBF"), "??????????");
    EXPECT_EQ(xmlEscape("5 \xC2\xB0" "C \xE2\x86\x92 \xF0\x9F\x98\x80"), "5 \xC2\xB0" "C \xE2\x86\x92 \xF0\x9F\x98\x80");
    // the least code point of each length (U+0080, U+0800, U+10000) is a character;
    // the one just below it, written in that length, is an overlong form
    EXPECT_EQ(xmlEscape("\xC2\x80" "\xE0\xA0\x80" "\xF0\x90\x80\x80"), "\xC2\x80" "\xE0\xA0\x80" "\xF0\x90\x80\x80");
    EXPECT_EQ(xmlEscape("\xC1\xBF" "\xE0\x9F\xBF" "\xF0\x8F\xBF\xBF"), "?????????");
    EXPECT_EQ(root->child("ScanCount")->text, "2");
    auto params = root->child("Parameters")->all("Parameter");
    ASSERT_EQ(params.size(), 34u);
    EXPECT_EQ(params[4]->attr("name"), "s1");
    EXPECT_EQ(std::stof(params[4]->attr("value")), 4.25f);
    EXPECT_EQ(params[4]->attr("fit"), "1");
    EXPECT_EQ(params[12]->attr("name"), "meniscus");
    EXPECT_EQ(std::stof(params[12]->attr("value")), 6.05f);  // read back to the float written
    EXPECT_EQ(std::stof(root->child("Rmsd")->text), 0.00512f);
    auto peaks = root->child("Distribution")->all("Peak");
    ASSERT_EQ(peaks.size(), 2u);
    EXPECT_FLOAT_EQ(std::stof(peaks[0]->attr("fraction")) + std::stof(peaks[1]->attr("fraction")), 1.0f);
    EXPECT_EQ(root->child("Messages")->child("Message")->text, "MessageBox \"ERROR\" \"x < y\"");

    // without a model, fit or distribution those parts stay out
    ResultRecord empty;
    ASSERT_EQ(writeResultParameters(path.c_str(), empty), 1);
    root = parseXmlFile(path, &err);
    ASSERT_TRUE(root) << err;
    EXPECT_TRUE(root->child("Parameters")->children.empty());
    EXPECT_EQ(root->child("Rmsd"), nullptr);
    EXPECT_EQ(root->child("Distribution"), nullptr);

    // a folder that does not exist: failure, nothing half written
    EXPECT_EQ(writeResultParameters((scratch + "no/such/ResultParameters.xml").c_str(), r), 0);
}
