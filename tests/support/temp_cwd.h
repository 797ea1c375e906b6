// A fresh temporary directory as the current one, for tests whose files (VELTA.SCR) must never
// meet.
#pragma once

#include <filesystem>
#include <random>
#include <string>
#include <system_error>

// Makes a fresh directory the current one for the life of the object.
class TempCwd {
  public:
    TempCwd() : old_(std::filesystem::current_path()) {
        // A name nobody else has: create_directory fails when it is taken.
        std::random_device random;
        do {
            dir_ = std::filesystem::temp_directory_path() / ("velta-script-" + std::to_string(random()));
        } while (!std::filesystem::create_directory(dir_));
        std::filesystem::current_path(dir_);
    }
    ~TempCwd() {
        std::filesystem::current_path(old_);
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

  private:
    std::filesystem::path old_;
    std::filesystem::path dir_;
};
