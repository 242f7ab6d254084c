#include "app/app_fixture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/data_file_paths.h"
#include "app/preferences.h"

void AppFolderTest::SetUp()
{
    // file dialogs move the current folder into the scratch folder
    oldCwd = std::filesystem::current_path().string();
    char tmpl[] = "/tmp/morvex_app_XXXXXX";
    root = mkdtemp(tmpl);
    const char* old = std::getenv("XDG_CONFIG_HOME");
    bHadXdg = old != nullptr;
    if (old) oldXdg = old;
    setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
    scratch = root + "/scratch/";
    std::filesystem::create_directories(scratch);
    setUpDataFilePaths(MORVEX_SOURCE_DIR "/");
    work = szWorkDir;
    applyPreferenceDefaults();
}

void AppFolderTest::TearDown()
{
    std::error_code ecCwd;
    std::filesystem::current_path(oldCwd, ecCwd);
    applyPreferenceDefaults();
    if (bHadXdg)
        setenv("XDG_CONFIG_HOME", oldXdg.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
    setUpDataFilePaths();
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
}

std::vector<std::string> AppFolderTest::readLines(const std::string& path)
{
    std::vector<std::string> lines;
    std::ifstream f(path);
    std::string l;
    while (std::getline(f, l)) lines.push_back(l);
    return lines;
}

void AppFolderTest::writeText(const std::string& path, const std::string& text)
{
    std::ofstream f(path, std::ios::binary);
    f << text;
}

std::string AppFolderTest::readText(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}
