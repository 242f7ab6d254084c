// The result files of the time-to-equilibrium tool: the numbered folders,
// the distance from equilibrium, the speed steps and their rpm course, the
// simulated scans and the instrument method.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "analyses/timetoeq/approach_to_eq_sim.h"
#include "analyses/timetoeq/time_to_eq_files.h"
#include "analyses/timetoeq/time_to_eq_params.h"
#include "app/app_fixture.h"
#include "app/app_globals.h"
#include "numerics/ccurve.h"
#include "numerics/cvector.h"
#include "numerics/nrutil.h"
#include "platform/win.h"
#include "scandata/rotor_speed_profile.h"
#include "scandata/scan_file.h"

namespace {

class TimeToEqFilesTest : public AppFolderTest {
protected:
    void SetUp() override
    {
        AppFolderTest::SetUp();
        const float fr[] = {0, 1}, s[] = {0, 4.1639f}, D[] = {0, 5.7554e-7f};
        sim.Setup(nullptr, 5, 7.2f, 6.75f, 7.15f, 6.77f, 1, fr, s, D, 0.73f, 20.0f, 15000.0f);
        const float start[] = {0, 0, 3600, 9000}, rpm[] = {0, 24000, 18000, 15000}, rate[] = {0, 300, 200, 250};
        sim.SetSpeedSteps(3, start, rpm, rate, 2);
    }
    void TearDown() override
    {
        resetTimeToEqParams(&timeToEqParams);
        AppFolderTest::TearDown();
    }
    CApproachToEqSim sim;
};

}  // namespace

TEST_F(TimeToEqFilesTest, ResultFoldersAreNumberedByTheirSpeedStepsFile)
{
    char szPath[260];
    ASSERT_TRUE(chooseTimeToEqResultPath(nullptr, false, szPath, sizeof szPath));
    EXPECT_EQ(std::string(szPath), std::string(szTempDir) + "optimizedoverspeedsteps1/optimizedoverspeedsteps1.txt");
    EXPECT_TRUE(std::filesystem::is_directory(std::string(szTempDir) + "optimizedoverspeedsteps1"));
    // an empty folder is taken again; one that holds a result is not
    ASSERT_TRUE(chooseTimeToEqResultPath(nullptr, false, szPath, sizeof szPath));
    EXPECT_NE(std::string(szPath).find("optimizedoverspeedsteps1.txt"), std::string::npos);
    sim.WriteSpeedSteps(szPath, false);
    ASSERT_TRUE(chooseTimeToEqResultPath(nullptr, false, szPath, sizeof szPath));
    EXPECT_EQ(std::string(szPath), std::string(szTempDir) + "optimizedoverspeedsteps2/optimizedoverspeedsteps2.txt");
    ASSERT_TRUE(chooseTimeToEqResultPath(nullptr, true, szPath, sizeof szPath));
    EXPECT_EQ(std::string(szPath),
              std::string(szTempDir) + "backupoptimizedoverspeedsteps1/optimizedoverspeedsteps1.txt");

    // a folder that cannot be made is said, and the path stays as chosen
    sim.WriteSpeedSteps((std::string(szTempDir) + "optimizedoverspeedsteps2/optimizedoverspeedsteps2.txt").c_str(),
                        false);
    win::headless::Script script;
    script.expectMessageBox("could not create new config directory", win::IDOK);
    const std::string blocked = std::string(szTempDir) + "optimizedoverspeedsteps3";
    writeText(blocked, "a file in the way");
    EXPECT_FALSE(chooseTimeToEqResultPath(nullptr, false, szPath, sizeof szPath));
    EXPECT_EQ(std::string(szPath), blocked + "/optimizedoverspeedsteps3.txt");
    EXPECT_EQ(script.pending(), 0u);
}

TEST_F(TimeToEqFilesTest, DeltaEqSpeedStepsAndRpmCourse)
{
    ASSERT_TRUE(sim.Run());
    sim.Analyse(0.001f, 0.001f);
    char szPath[260];
    ASSERT_TRUE(chooseTimeToEqResultPath(nullptr, false, szPath, sizeof szPath));
    const std::string folder = timeToEqFolderOf(szPath);

    // n - 1 lines for n scans: hours, rms and largest deviation
    sim.WriteDeltaEqFile(szPath, "optimized_DeltaEQ.txt");
    const std::vector<std::string> lines = readLines(folder + "optimized_DeltaEQ.txt");
    ASSERT_EQ(lines.size(), static_cast<size_t>(sim.nScans - 1));
    float h, rms, dev;
    ASSERT_EQ(std::sscanf(lines[2].c_str(), "%f\t%f\t%f", &h, &rms, &dev), 3);
    EXPECT_EQ(h, 1.5f);
    EXPECT_NEAR(rms, sim.pRmsDeviation[3], 1e-6f);
    EXPECT_NEAR(dev, sim.pMaxDeviation[3], 1e-6f);

    // the steps without a line break at the end; the loader reads them all back
    sim.WriteSpeedSteps(szPath, false);
    const std::string steps = readText(szPath);
    EXPECT_EQ(steps, "0.000000\t24000.000000\t300.000000\n3600.000000\t18000.000000\t200.000000\n"
                     "9000.000000\t15000.000000\t250.000000");
    CRotorSpeedProfile profile;
    EXPECT_TRUE(profile.Load(szPath));
    ASSERT_EQ(profile.nSteps, 3);
    for (int k = 1; k <= 3; ++k) {
        EXPECT_EQ(profile.stepStart[k], sim.pStepStart[k]);
        EXPECT_EQ(profile.stepRpm[k], sim.pStepRpm[k]);
        EXPECT_EQ(profile.stepRate[k], sim.pStepRate[k]);
    }

    // the rpm course: rest, the end of the first ramp, then the start and end
    // of each later ramp, in hours
    sim.WriteRpmTimeCourse(szPath, false);
    const std::string course = readText(folder + "optimizedoverspeedsteps1_rpmtimecourse.txt");
    char sz[400];
    std::snprintf(sz, sizeof sz, "%f\t%f\n%f\t%f\n%f\t%f\n%f\t%f\n%f\t%f\n%f\t%f", 0.0, 0.0, 80.0 / 3600, 24000.0,
                  1.0, 24000.0, (30.0 + 3600) / 3600, 18000.0, 2.5, 18000.0, (12.0 + 9000) / 3600, 15000.0);
    EXPECT_EQ(course, sz);

    // the same corners as the polyline of the plots, which ends at the last scan
    int n = 0;
    float *t = nullptr, *v = nullptr;
    CVector *tv = nullptr, *vv = nullptr;
    CCurve* c = nullptr;
    sim.BuildRpmPolyline(&n, &t, &v, &tv, &vv, &c);
    ASSERT_EQ(n, 7);
    const float hours[] = {0, 0, 80.0f / 3600, 1, (30.0f + 3600) / 3600, 2.5f, (12.0f + 9000) / 3600, 5};
    const float speeds[] = {0, 0, 24000, 24000, 18000, 18000, 15000, 15000};
    for (int k = 1; k <= 7; ++k) {
        EXPECT_FLOAT_EQ(t[k], hours[k]) << k;
        EXPECT_EQ(v[k], speeds[k]) << k;
    }
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->pX->nSize, 7u);
    EXPECT_EQ(c->pY->Get(1), 24000.0f);
    delete c;
    delete tv;
    delete vv;
    free_vector(t, 1, n);
    free_vector(v, 1, n);
    sim.BuildRpmPolyline(&n, nullptr, &v, nullptr, nullptr, nullptr);  // nothing without the out pointers

    // one step: rest and the end of its ramp
    const float s1[] = {0, 0}, r1[] = {0, 14000}, a1[] = {0, 280};
    sim.SetSpeedSteps(1, s1, r1, a1, 2);
    sim.WriteRpmTimeCourse(szPath, false);
    std::snprintf(sz, sizeof sz, "%f\t%f\n%f\t%f", 0.0, 0.0, 50.0 / 3600, 14000.0);
    EXPECT_EQ(readText(folder + "optimizedoverspeedsteps1_rpmtimecourse.txt"), sz);

    // a file that cannot be opened is said and skipped
    win::headless::Script script;
    script.expectMessageBox("Attention: could not open", win::IDOK);
    sim.WriteDeltaEqFile((scratch + "missing/x.txt").c_str(), "optimized_DeltaEQ.txt");
    EXPECT_EQ(script.pending(), 0u);
}

TEST_F(TimeToEqFilesTest, SimulatedScansAndInstrumentMethod)
{
    timeToEqParams.fInitialRpm = 6000;
    ASSERT_TRUE(sim.SetInitialDistribution(6000, 0, 0, nullptr, nullptr, false, nullptr, 0, 0));
    ASSERT_TRUE(sim.Run());
    sim.Analyse(0.001f, 0.001f);
    char szPath[260];
    ASSERT_TRUE(chooseTimeToEqResultPath(nullptr, false, szPath, sizeof szPath));
    const std::string folder = timeToEqFolderOf(szPath);
    sim.WriteScanFiles(szPath);

    // every scan with its record; the target as "eq.R00"; the initial profile.
    // All of them describe the one simulated cell: a set loaded from them is
    // the run of a single cell
    int nCell = -1;
    for (int i : {1, sim.nScans}) {
        char name[32];
        std::snprintf(name, sizeof name, "00%03d.R00", i);
        ScanHeader h;
        int n = 0;
        float *r = nullptr, *c = nullptr;
        ASSERT_EQ(readScanFile((folder + name).c_str(), &h, &n, &r, &c, nullptr, nullptr, 0), 1) << name;
        EXPECT_EQ(n, sim.nRadialPoints);
        EXPECT_NE(std::string(h.title).find(" simulated approach to equilibrium"), std::string::npos);
        EXPECT_EQ(+h.time, +sim.pScanRecords[i].time);
        EXPECT_EQ(+h.rpm, +sim.pScanRecords[i].rpm);
        if (nCell < 0) nCell = h.cell;
        EXPECT_EQ(+h.cell, nCell) << name;
        EXPECT_NEAR(c[100], sim.ppTotalScans[i][100], 1e-4f * (1 + c[100]));
        free_vector(r, 1, n);
        free_vector(c, 1, n);
    }
    EXPECT_FALSE(std::filesystem::exists(folder + "00011.R00"));
    ScanHeader h;
    int n = 0;
    float *r = nullptr, *c = nullptr;
    ASSERT_EQ(readScanFile((folder + "eq.R00").c_str(), &h, &n, &r, &c, nullptr, nullptr, 0), 1);
    EXPECT_NEAR(c[n], sim.pTarget[n], 1e-4f * sim.pTarget[n]);
    EXPECT_EQ(+h.cell, nCell);
    free_vector(r, 1, n);
    free_vector(c, 1, n);
    ASSERT_EQ(readScanFile((folder + "initial1.R00").c_str(), &h, &n, &r, &c, nullptr, nullptr, 0), 1);
    EXPECT_EQ(+h.rpm, 6000.0f);
    EXPECT_EQ(+h.time, 100000.0);
    EXPECT_EQ(+h.cell, nCell);
    EXPECT_NE(std::string(h.title).find(" initial for approach to equilibrium"), std::string::npos);
    free_vector(r, 1, n);
    free_vector(c, 1, n);

    // the method: 100 rows of six lines, the temperature fourth in each row,
    // and the speed steps converted back beside it
    sim.WriteEquMethod(szPath, 90, 20, 3, 2, 1);
    const std::vector<std::string> method = readLines(folder + "optimizedoverspeedsteps1.EQU");
    ASSERT_EQ(method.size(), 600u);
    EXPECT_EQ(method[0], "24000");
    EXPECT_EQ(method[1], "300");
    EXPECT_EQ(method[3], "20");
    EXPECT_EQ(method[599], "NO");
    EXPECT_TRUE(std::filesystem::exists(folder + "speedsteps.txt"));
}
