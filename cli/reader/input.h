// The bytes of a batch file, read in chunks and twice: once to check the
// whole file before anything is written, once to compute its rows. Every
// read error is reported: a failed read must never pass for the end of the
// file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pierqty::cli {

// A read that failed, or a file that cannot be opened: errno.
struct ReadFailure {
    int error = 0;
};

// Standard input could not be copied aside for the second pass: errno.
struct SpoolFailure {
    int error = 0;
};

// A file that ends sooner the second time it is read: changed meanwhile.
struct InputChanged {
};

class ByteSource
{
public:
    virtual ~ByteSource() = default;
    // Up to size bytes into buffer: how many, 0 at the end. Throws
    // ReadFailure, or SpoolFailure.
    virtual std::size_t read(char *buffer, std::size_t size) = 0;
    // Back to the first byte, to read the same bytes again.
    virtual void rewind() = 0;
};

// Bytes held in memory (tests and the fuzz target); read in pieces of at
// most piece bytes, as a pipe hands them on.
class MemorySource final : public ByteSource
{
public:
    explicit MemorySource(std::string_view bytes, std::size_t piece = 65536) : m_bytes(bytes), m_piece(piece) { }
    std::size_t read(char *buffer, std::size_t size) override;
    void rewind() override { m_pos = 0; }

private:
    std::string_view m_bytes;
    std::size_t m_piece;
    std::size_t m_pos = 0;
};

// The file at a path, or standard input for "-", in binary. A regular file
// is read again from where it started; anything else (a pipe, a terminal, a
// device) is copied as it is read the first time into a temporary file that
// no folder lists, and that copy is read the second time. The second pass
// reads no more bytes than the first did, so a file that grows meanwhile
// reads the same; one that ends sooner throws InputChanged.
class InputFile final : public ByteSource
{
public:
    // Throws ReadFailure when the file cannot be opened.
    explicit InputFile(const std::string &path);
    ~InputFile() override;
    InputFile(const InputFile &) = delete;
    InputFile &operator=(const InputFile &) = delete;

    std::size_t read(char *buffer, std::size_t size) override;
    void rewind() override;

private:
    void spool(const char *bytes, std::size_t size);

    int m_fd = -1;
    bool m_ownsFd = false;
    bool m_seekable = false;
    std::int64_t m_start = 0; // where a seekable file was when opened
    int m_spool = -1; // the copy, for a file that is not seekable
    bool m_secondPass = false;
    std::uint64_t m_firstPassBytes = 0;
    std::uint64_t m_readAgain = 0;
};

} // namespace pierqty::cli
