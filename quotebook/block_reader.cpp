#include "block_reader.h"

#include <algorithm>
#include <ios>

namespace quotidia {

BlockReader::BlockReader(std::istream& input)
    : input_(input), block_(std::make_unique_for_overwrite<char[]>(kBlockSize)) {}

std::string_view BlockReader::available() {
    if (begin_ == end_ && !ended_) {
        begin_ = 0;
        end_ = 0;
        input_.read(block_.get(), static_cast<std::streamsize>(kBlockSize));
        end_ = static_cast<std::size_t>(input_.gcount());
        if (end_ < kBlockSize) {
            ended_ = true;
            // A short read is the end of the stream only when the stream says so; a
            // stream that was already failed or broke while reading did not end.
            failed_ = input_.bad() || !input_.eof();
            if (failed_) {
                end_ = 0;
            }
        }
    }
    return {block_.get() + begin_, end_ - begin_};
}

void BlockReader::consume(std::size_t count) {
    begin_ += std::min(count, end_ - begin_);
}

QuoteFileEncoding readByteOrderMark(BlockReader& reader) {
    const std::string_view start = reader.available();
    if (start.starts_with("\xEF\xBB\xBF")) {
        reader.consume(3);
    } else if (start.starts_with("\xFF\xFE")) {
        reader.consume(2);
        return QuoteFileEncoding::utf16Le;
    }
    return QuoteFileEncoding::bytes;
}

} // namespace quotidia
