#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace quillguard {

// One file opened for reading, as the hashing operations read it: while it is open, others may
// read it but not write or delete it, so the bytes hashed are the bytes on disk.
class ReadableFile {
  public:
    // Opens the file; IsOpen() tells whether that worked. The path is handed to the system as is.
    explicit ReadableFile(const std::filesystem::path& path);
    ~ReadableFile();
    ReadableFile(const ReadableFile&) = delete;
    ReadableFile& operator=(const ReadableFile&) = delete;

    bool IsOpen() const { return handle_ != nullptr; }

    // Reads up to size bytes at the current position: the count read, 0 at the end of the file,
    // nothing when the read fails.
    std::optional<std::size_t> Read(void* buffer, std::size_t size);

    // Reads until size bytes came or the file ended; the count read, nothing on failure.
    std::optional<std::size_t> ReadFully(void* buffer, std::size_t size);

    // Moves to offset bytes from the start (false for a negative offset); past the end is allowed.
    bool SeekFromStart(std::int64_t offset);
    // Moves offset bytes on from the current position.
    bool SeekForward(std::int64_t offset);

    // The system's description of the last failure, for messages to a person.
    std::string LastErrorText() const;

  private:
    enum class SeekOrigin { Start, Current };
    bool Seek(std::int64_t offset, SeekOrigin origin);

    struct Handle;  // the platform's handle
    std::unique_ptr<Handle> handle_;
    unsigned long lastError_ = 0;
};

}  // namespace quillguard
