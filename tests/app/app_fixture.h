// A fresh working folder for each test: $XDG_CONFIG_HOME points at a new
// temporary folder, the paths are built again and the preferences start at
// their defaults.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

class AppFolderTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The working folder (ends with "/") and a scratch folder beside it.
    std::string work;
    std::string scratch;

    static std::vector<std::string> readLines(const std::string& path);
    static void writeText(const std::string& path, const std::string& text);
    static std::string readText(const std::string& path);

private:
    std::string root;
    std::string oldXdg;
    std::string oldCwd;
    bool bHadXdg = false;
};
