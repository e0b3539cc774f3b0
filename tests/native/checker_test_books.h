#pragma once
// Books and streams the checker's tests share.

#include "book_check.h"
#include "fake_quotebook_platform.h"

#include <ios>
#include <streambuf>
#include <string>

namespace quotidia::testing {

// A book with an entry of two quotation lines for every day.
inline std::string fullBook(const FakeQuoteBookPlatform& platform) {
    std::string book;
    for (const std::wstring& key : allDayKeys(platform)) {
        const std::string narrowKey(key.begin(), key.end());
        book += narrowKey + "\r\nQuotation for " + narrowKey + "\r\n\xE2\x80\x94 Someone\r\n\r\n";
    }
    return book;
}

// A stream whose reading breaks off after its first bytes.
class BreakingBuffer : public std::streambuf {
  protected:
    int_type underflow() override {
        if (served_) {
            throw std::ios_base::failure("disk gone");
        }
        served_ = true;
        setg(text_.data(), text_.data(), text_.data() + text_.size());
        return traits_type::to_int_type(text_[0]);
    }

  private:
    std::string text_ = "May 1\r\nOne\r\n";
    bool served_ = false;
};

} // namespace quotidia::testing
