#include "tests/support/KaTestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

KaCaptureStdout::KaCaptureStdout() : mSavedFd(-1), mDone(false)
{
    fflush(stdout);
    char name[] = "/tmp/ka_stdout_XXXXXX";
    int fd = mkstemp(name);
    mPath = name;
    mSavedFd = dup(STDOUT_FILENO);
    dup2(fd, STDOUT_FILENO);
    close(fd);
}

KaCaptureStdout::~KaCaptureStdout()
{
    text();
}

std::string KaCaptureStdout::text()
{
    if (mDone)
        return mText;
    mDone = true;
    fflush(stdout);
    dup2(mSavedFd, STDOUT_FILENO);
    close(mSavedFd);
    std::ifstream in(mPath, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    mText = buffer.str();
    unlink(mPath.c_str());
    return mText;
}

KaTempDir::KaTempDir()
{
    char name[] = "/tmp/ka_test_XXXXXX";
    mPath = mkdtemp(name);
}

KaTempDir::~KaTempDir()
{
    std::error_code error;
    std::filesystem::remove_all(mPath, error);
}

std::string KaTempDir::file(const std::string& relative) const
{
    return mPath + "/" + relative;
}

void KaTempDir::write(const std::string& relative, const std::string& bytes) const
{
    std::filesystem::path full(file(relative));
    std::filesystem::create_directories(full.parent_path());
    std::ofstream out(full, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}
