// A scratch folder of data files written by a test, removed afterwards.
// While it lives the process works inside it, since the game opens every
// data file relative to the working directory.
#pragma once

#include <string>

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    void write(const std::string &name, const std::string &text) const;
    std::string path(const std::string &name = "") const;

  private:
    std::string root;
    std::string previous;
};

// Number of file descriptors this process has open.
int openDescriptorCount();
