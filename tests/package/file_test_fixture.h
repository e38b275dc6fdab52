// The folder each file test works in: fresh, and removed afterwards.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string>

#include "support/byte_string.h"

namespace orv::testing {

namespace fs = std::filesystem;
using Names = std::set<std::string>;

class FileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device random;
        for (int attempt = 0; attempt < 100 && dir_.empty(); ++attempt) {
            const fs::path candidate = fs::temp_directory_path() / ("orv_file_" + std::to_string(random()));
            if (fs::create_directory(candidate)) dir_ = candidate;
        }
        ASSERT_FALSE(dir_.empty());
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(dir_, ec);
    }
    // The name as the program is given it: in the process code page, which
    // is UTF-8 on every platform.
    ByteString path(const std::string& name) const {
        const std::u8string full = (dir_ / fs::path(std::u8string(name.begin(), name.end()))).u8string();
        return ByteString(std::string_view(reinterpret_cast<const char*>(full.data()), full.size()));
    }
    fs::path at(const std::string& name) const { return dir_ / fs::path(std::u8string(name.begin(), name.end())); }
    void put(const std::string& name, const std::string& bytes) const {
        std::ofstream(at(name), std::ios::binary) << bytes;
    }
    std::string get(const std::string& name) const {
        std::stringstream s;
        s << std::ifstream(at(name), std::ios::binary).rdbuf();
        return s.str();
    }
    Names entries(const std::string& sub = ".") const {
        Names names;
        for (const auto& e : fs::directory_iterator(at(sub))) {
            const std::u8string n = e.path().filename().u8string();
            names.insert(std::string(n.begin(), n.end()));
        }
        return names;
    }
    fs::path dir_;
};

}  // namespace orv::testing
