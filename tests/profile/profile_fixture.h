// A settings file in a folder of the test's own, and the ProfileFile on it.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "profile/profile_file.h"
#include "tests/support/temp_folder.h"

class ProfileTest : public ::testing::Test {
protected:
    ProfileTest() : path_(folder_.File("settings.ini")), file_(path_.c_str()) {}

    void Put(const std::string& bytes) { TempFolder::Put(path_, bytes); }
    std::string Get() const { return TempFolder::Get(path_); }
    std::string Value(const char* section, const char* key) const {
        return file_.ReadValue(section, key, "<none>").get();
    }

    TempFolder folder_;
    std::string path_;
    ProfileFile file_;
};
