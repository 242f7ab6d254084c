// Plain-text number files: lines of any length, numbers read and written the
// way "%f" and "%e" do, but independent of the process locale (the window
// library may set a locale whose decimal separator is a comma).
#pragma once

#include <cstdio>
#include <string>

// Reads the next line, without its line end ("\n" or "\r\n"), however long it
// is; a NUL byte in it is kept and does not end it. False at the end of the
// file (nothing read).
bool readTextLine(std::FILE* f, std::string& szLine);

// True when the line holds nothing but blanks, tabs and line-end characters.
bool isBlankLine(const std::string& szLine);

// Reads one number at p as "%f" does: leading white space skipped, optional
// sign, decimal or exponent notation, "inf" and "nan". On success p moves past
// the number; on failure it stays and false is returned.
bool readNumber(const char*& p, double& dValue);
bool readNumber(const char*& p, float& fValue);

// Appends the value as "%f" (six decimals) or "%e" would write it.
void appendFixed(std::string& sz, double dValue);
void appendExp(std::string& sz, double dValue);

// Writes the whole text; false when it could not be written.
bool writeText(std::FILE* f, const std::string& sz);
