#pragma once
// Reading a quote file in large blocks, and telling its encoding by its byte-order mark.

#include <cstddef>
#include <istream>
#include <memory>
#include <string_view>

namespace quotidia {

// Reads a stream in large blocks. A read error ends the input and is remembered
// rather than thrown, so the caller can tell it from the end of the stream.
class BlockReader {
  public:
    // Large enough that the cost of each read call vanishes beside copying the bytes,
    // small enough to stay in the processor's cache while the block is scanned. A fuzzing
    // build sets a few dozen bytes, so that short inputs straddle many blocks.
#ifdef QUOTIDIA_READER_BLOCK_SIZE
    static constexpr std::size_t kBlockSize = QUOTIDIA_READER_BLOCK_SIZE;
#else
    static constexpr std::size_t kBlockSize = std::size_t{256} * 1024;
#endif

    explicit BlockReader(std::istream& input);

    // The unconsumed bytes of the current block, reading the next block when all are
    // consumed; empty at the end of the stream or after a read error. The bytes stay
    // valid until the next call that reads a block.
    std::string_view available();
    void consume(std::size_t count);

    bool failed() const {
        return failed_;
    }

  private:
    std::istream& input_;
    std::unique_ptr<char[]> block_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    bool failed_ = false;
    bool ended_ = false;
};

enum class QuoteFileEncoding {
    bytes,   // UTF-8 or the ANSI code page, judged line by line
    utf16Le, // started by the byte-order mark FF FE
};

// Reads the file's byte-order mark, if any, and consumes it: a UTF-8 mark leaves the
// file read as bytes, a UTF-16 little-endian mark makes it read as UTF-16.
QuoteFileEncoding readByteOrderMark(BlockReader& reader);

} // namespace quotidia
