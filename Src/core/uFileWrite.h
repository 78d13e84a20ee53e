// Writing a file whole: into a temporary file beside the target, then renamed
// over it, so that a failure never leaves a half-written or emptied file behind.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

class TFileWriter {
public:
    virtual ~TFileWriter() = default;

    // Replaces the file at path with content. Raises EFCreateError with
    // displayPath when the file cannot be created there, EWriteError when
    // writing or replacing fails. The old file stays as it was on failure.
    // A durable write also waits until the data is on the disk before the
    // rename, so that not even a crash can cost the old file.
    void ReplaceWhole(const std::string& path, std::string_view content, const std::string& displayPath,
                      bool durable = true);

protected:
    // One block of at most 4096 bytes; false reports a failed write.
    virtual bool WriteBlock(std::FILE* file, const char* data, size_t size);
    // Moves the finished temporary file over the target.
    virtual bool Commit(const std::string& tempPath, const std::string& path);
};

// The writer used when the caller brings none.
TFileWriter& DefaultFileWriter();

// True when a regular file (not a folder) exists at path.
bool FileExists(const std::string& path);
