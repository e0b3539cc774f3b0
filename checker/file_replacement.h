#pragma once
// Writing a file safely over an old one: the new content goes to a temporary file
// beside it, and only once it is complete and on disk is it moved over the old file,
// so that a failure on the way leaves the old file as it was.

#include <filesystem>
#include <memory>
#include <string_view>

namespace quotidia {

class FileReplacement {
  public:
    // Removes the temporary file unless the replacement was committed.
    virtual ~FileReplacement() = default;

    // Appends bytes to the new content; false when they could not be written.
    virtual bool write(std::string_view bytes) = 0;

    // Puts the new content in the destination's place; false when it could not, and
    // then the destination is as it was.
    virtual bool commit() = 0;
};

// A replacement of the file at `destination`, which need not exist yet; nullptr when
// no temporary file can be made beside it.
std::unique_ptr<FileReplacement> startFileReplacement(const std::filesystem::path& destination);

} // namespace quotidia
