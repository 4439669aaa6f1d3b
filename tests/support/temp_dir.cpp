#include "support/temp_dir.h"

#include "support/data_files.h"

#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

TempDir::TempDir() {
    char pattern[] = "/tmp/skorvel-test-XXXXXX";
    if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
    root = pattern;
    char here[4096];
    if (!getcwd(here, sizeof here)) throw std::runtime_error("getcwd failed");
    previous = here;
    if (chdir(root.c_str()) != 0) throw std::runtime_error("chdir failed");
}

TempDir::~TempDir() {
    if (chdir(previous.c_str()) != 0) perror("chdir");
    std::string command = "rm -rf '" + root + "'";
    if (system(command.c_str()) != 0) perror("rm");
}

void TempDir::write(const std::string &name, const std::string &text) const {
    writeTextFile(path(name), text);
}

std::string TempDir::path(const std::string &name) const {
    return name.empty() ? root : root + "/" + name;
}

int openDescriptorCount() {
    DIR *dir = opendir("/proc/self/fd");
    if (!dir) return -1;
    int count = 0;
    while (readdir(dir)) count++;
    closedir(dir);
    return count - 3;  // ".", ".." and the directory stream itself
}
