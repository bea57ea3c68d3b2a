#ifndef KA_TEST_SUPPORT_H
#define KA_TEST_SUPPORT_H

#include <string>

// Captures what KaPrintf writes to standard output while it lives.
class KaCaptureStdout {
public:
    KaCaptureStdout();
    ~KaCaptureStdout();
    // Stops capturing (once) and returns everything written meanwhile.
    std::string text();

private:
    int mSavedFd;
    std::string mPath;
    bool mDone;
    std::string mText;
};

// A fresh empty folder under the system's temporary folder, removed with its
// content when the object goes.
class KaTempDir {
public:
    KaTempDir();
    ~KaTempDir();
    const std::string& path() const { return mPath; }
    // path() + "/" + relative
    std::string file(const std::string& relative) const;
    // Writes bytes to path()/relative, creating the folders on the way.
    void write(const std::string& relative, const std::string& bytes) const;

private:
    std::string mPath;
};

#endif
