#include "app/window_fixture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "app/app_globals.h"
#include "app/preferences.h"
#include "app/xla_app.h"
#include "models/model_globals.h"
#include "numerics/nrutil.h"
#include "platform/win.h"
#include "scandata/scan_data.h"
#include "scandata/scan_file.h"
#include "scandata/scan_loading.h"

ScanHeader absorbanceScanHeader(const char* szTitle, int k, double rpm, double t)
{
    const double w = rpm * 2 * M_PI / 60;
    ScanHeader h;
    std::memset(&h, 0, sizeof h);
    std::snprintf(h.title, sizeof h.title, "%s %d", szTitle, k);
    h.dataType = 'R';
    h.cell = 1;
    h.temperature = 20.0f;
    h.rpm = static_cast<float>(rpm);
    h.time = h.timeWritten = t;
    h.omega2t = w * w * t;
    h.wavelength = 280;
    h.count = 1;
    return h;
}

std::vector<std::string> writeBoundaryScans(const std::string& folder, int nScans, const char* szStem)
{
    std::vector<std::string> paths;
    const double m = 6.0, s = 4.5e-13, D = 6e-7, rpm = 50000;
    const double w2 = std::pow(rpm * 2 * M_PI / 60, 2);
    const int n = 241;
    float* r = vector(1, n);
    float* c = vector(1, n);
    for (int k = 1; k <= nScans; ++k) {
        double t = 900.0 + 300.0 * (k - 1);
        double rb = m * std::exp(s * w2 * t);
        for (int i = 1; i <= n; ++i) {
            r[i] = static_cast<float>(5.95 + 0.005 * (i - 1));
            double x = r[i];
            double plateau = 0.8 * std::exp(-2 * s * w2 * t);
            double v = x <= m ? 0.0 : plateau * 0.5 * (1 + std::erf((x - rb) / (2 * std::sqrt(D * t))));
            // small deterministic noise, the same on every machine
            double h = std::sin(12.9898 * i + 78.233 * k) * 43758.5453;
            double noise = 0.008 * (h - std::floor(h) - 0.5);
            c[i] = static_cast<float>(0.05 + v + noise);
        }
        ScanHeader h = absorbanceScanHeader("synthetic boundary scan", k, rpm, t);
        char name[64];
        std::snprintf(name, sizeof name, "%s%05d.RA1", szStem, k);
        std::string path = folder + "/" + name;
        writeScanFile(path.c_str(), n, r, c, nullptr, nullptr, 1, &h);
        paths.push_back(path);
    }
    free_vector(r, 1, n);
    free_vector(c, 1, n);
    return paths;
}

void MainWindowTest::SetUp()
{
    AppFolderTest::SetUp();
    bHaveRunParameters = 0;
    bBatchMode = 0;
    fMeniscus = fBottom = fFitLeftLim = fFitRightLim = 0;
}

void MainWindowTest::TearDown()
{
    freeScanData();
    window.reset();
    pMainWindow = nullptr;
    bBatchMode = 0;
    bHaveRunParameters = 0;
    fMeniscus = fBottom = fFitLeftLim = fFitRightLim = 0;
    AppFolderTest::TearDown();
}

TXLAWindow* MainWindowTest::OpenWindow()
{
    defaultPreferences.bDisclaimerAccepted = 1;
    writeDefaultPreferences();
    window = std::make_unique<TXLAWindow>(nullptr, "Sedimentation Analysis");
    EXPECT_TRUE(window->Create());
    win::headless::processMessages();
    return window.get();
}

void MainWindowTest::WhiteOut(const win::RECT& r)
{
    win::HDC dc = window->GetDC();
    win::FillRect(dc, &r, static_cast<win::HBRUSH>(win::GetStockObject(win::WHITE_BRUSH)));
    window->ReleaseDC(dc);
}

std::vector<win::COLORREF> MainWindowTest::PixelsOf(const win::RECT& r)
{
    std::vector<win::COLORREF> v;
    win::HDC dc = window->GetDC();
    for (int y = r.top; y < r.bottom; y++)
        for (int x = r.left; x < r.right; x++) v.push_back(win::GetPixel(dc, x, y));
    window->ReleaseDC(dc);
    return v;
}

void MainWindowTest::TextAt(int x, int y, const char* szText)
{
    win::HDC dc = window->GetDC();
    win::TextOut(dc, x, y, szText, static_cast<int>(std::strlen(szText)));
    window->ReleaseDC(dc);
}

void MainWindowTest::LoadScans(const std::vector<std::string>& paths)
{
    static char sel[128000];
    std::string dir = std::filesystem::path(paths[0]).parent_path().string();
    size_t n = 0;
    auto put = [&](const std::string& s) {
        std::memcpy(sel + n, s.c_str(), s.size() + 1);
        n += s.size() + 1;
    };
    put(dir);
    for (const std::string& p : paths) put(std::filesystem::path(p).filename().string());
    sel[n] = 0;
    nLoadEveryNth = 1;
    LoadAllData(window.get(), sel);
    win::headless::processMessages();
}

std::vector<std::string> copyVelocityExampleScans(const std::string& folder)
{
    std::filesystem::create_directories(folder);
    std::vector<std::string> paths;
    for (const auto& e : std::filesystem::directory_iterator(MORVEX_SOURCE_DIR "/examples/velocity")) {
        const std::string stem = e.path().stem().string();
        if (e.path().extension() != ".RA1" || stem.empty() || stem.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const std::string to = folder + "/" + e.path().filename().string();
        std::filesystem::copy_file(e.path(), to);
        paths.push_back(to);
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

win::headless::DialogAnswer& withExampleCell(win::headless::DialogAnswer& a)
{
    return a.set(433, "0.02")
        .check(432, false)
        .set(435, "6.0")
        .check(434, false)
        .set(437, "7.2")
        .check(436, false)
        .check(431, false)
        .check(455, false);
}

win::headless::DialogAnswer exampleDiscreteSpeciesAnswer()
{
    win::headless::DialogAnswer a;
    a.check(401)
        .set(405, "0.8")
        .set(406, "6.1")
        .set(407, "4.3")
        .check(402, false)
        .check(403, false)
        .check(404, false);
    return withExampleCell(a);
}
