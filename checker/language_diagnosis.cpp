#include "language_diagnosis.h"

#include "block_reader.h"
#include "date_value.h"
#include "day_line_rewrite.h"
#include "key_line.h"
#include "line_scanner.h"

#include <algorithm>
#include <array>
#include <set>
#include <unordered_map>
#include <vector>

namespace quotidia {

namespace {

constexpr int kLeapYear = 2000;
constexpr int kMonths = 12;

struct Candidate {
    std::wstring language;
    std::optional<std::wstring> localeName;
    std::unique_ptr<QuoteBookPlatform> platform;
    bool ownCountry = false; // "de-DE", "fr_FR.UTF-8": the region is the language's own
    std::uint64_t lines = 0;
};

using LowerMonths = std::array<std::wstring, kMonths>;

LowerMonths lowerMonthsOf(const QuoteBookPlatform& platform) {
    LowerMonths months;
    for (int month = 1; month <= kMonths; ++month) {
        months.at(month - 1) = platform.toLower(platform.monthName(month));
    }
    return months;
}

// A name whose region repeats its language, either way it is written.
bool namesOwnCountry(std::wstring_view name) {
    constexpr std::size_t kCodeLength = 2;
    if (name.size() < 2 * kCodeLength + 1 ||
        (name[kCodeLength] != L'-' && name[kCodeLength] != L'_')) {
        return false;
    }
    const auto upper = [](wchar_t character) {
        return character >= L'a' && character <= L'z'
                   ? static_cast<wchar_t>(character - L'a' + L'A')
                   : character;
    };
    const bool regionEnds = name.size() == 2 * kCodeLength + 1 || name[2 * kCodeLength + 1] == L'.';
    return regionEnds && upper(name[0]) == name[kCodeLength + 1] &&
           upper(name[1]) == name[kCodeLength + 2];
}

// The day of the month the digits name, as a key writes it (no sign, no leading zero);
// 0 when they name none.
int dayNumberOf(std::wstring_view digits) {
    constexpr std::size_t kMaxDigits = 2;
    if (digits.empty() || digits.size() > kMaxDigits || digits.front() == L'0') {
        return 0;
    }
    int number = 0;
    for (const wchar_t digit : digits) {
        if (digit < L'0' || digit > L'9') {
            return 0;
        }
        number = number * 10 + (digit - L'0');
    }
    return number;
}

class LanguageCounter {
  public:
    LanguageCounter(const QuoteBookPlatform& user, std::vector<Candidate>& candidates)
        : user_(user), candidates_(candidates) {
        const LowerMonths userMonths = lowerMonthsOf(user);
        for (int month = 1; month <= kMonths; ++month) {
            userMonthOf_.emplace(userMonths.at(month - 1), month);
        }
        std::set<LowerMonths> seen{userMonths};
        for (std::size_t index = 0; index < candidates.size(); ++index) {
            const LowerMonths months = lowerMonthsOf(*candidates[index].platform);
            // A language with the user's month names, or with those of one before it,
            // adds nothing.
            if (!seen.insert(months).second) {
                continue;
            }
            for (int month = 1; month <= kMonths; ++month) {
                const std::wstring& name = months.at(month - 1);
                longestName_ = std::max(longestName_, name.size());
                monthsOf_[name].push_back({index, month});
            }
        }
    }

    template <typename Unit> bool count(BlockReader& reader) {
        constexpr std::size_t kMaxUnitsPerCharacter = 4;
        constexpr std::size_t kDayAndQuotes = 5; // " 31" and the two quotes
        LineScanner<Unit> lines(reader);
        while (const auto line =
                   lines.nextShortLine((longestName_ + kDayAndQuotes) * kMaxUnitsPerCharacter)) {
            countLine(line->text);
        }
        return !lines.failed();
    }

    std::uint64_t dayLines() const { return dayLines_; }

  private:
    struct MonthOf {
        std::size_t candidate;
        int month;
    };

    template <typename Unit> void countLine(std::basic_string_view<Unit> trimmedLine) {
        const auto item = keyItemOf(trimmedLine);
        if (!item) {
            return;
        }
        std::wstring text;
        appendLineText(text, *item, user_);
        const std::wstring lower = user_.toLower(text);
        const std::size_t space = lower.rfind(L' ');
        if (space == std::wstring::npos) {
            return;
        }
        const int day = dayNumberOf(std::wstring_view(lower).substr(space + 1));
        const std::wstring word = lower.substr(0, space);
        const auto isDayOf = [day](int month) {
            return day >= 1 && day <= daysInMonth(kLeapYear, month);
        };
        const auto user = userMonthOf_.find(word);
        const bool userKey = user != userMonthOf_.end() && isDayOf(user->second);
        bool anyKey = userKey;
        if (const auto found = monthsOf_.find(word); found != monthsOf_.end()) {
            for (const MonthOf& month : found->second) {
                if (isDayOf(month.month)) {
                    anyKey = true;
                    if (!userKey) {
                        ++candidates_[month.candidate].lines;
                    }
                }
            }
        }
        if (anyKey) {
            ++dayLines_;
        }
    }

    const QuoteBookPlatform& user_;
    std::vector<Candidate>& candidates_;
    std::unordered_map<std::wstring, int> userMonthOf_;
    std::unordered_map<std::wstring, std::vector<MonthOf>> monthsOf_;
    std::size_t longestName_ = 0;
    std::uint64_t dayLines_ = 0;
};

} // namespace

std::optional<BookLanguage> recogniseBookLanguage(std::istream& book, const QuoteBookPlatform& user,
                                                  const CheckerEnvironment& environment) {
    std::vector<Candidate> candidates;
    candidates.push_back(
        {L"English", std::nullopt, std::make_unique<EnglishMonthNames>(user), true});
    for (KnownLocale& known : environment.knownLocales()) {
        if (std::unique_ptr<QuoteBookPlatform> platform = environment.platformFor(known.name)) {
            const bool ownCountry = namesOwnCountry(known.name);
            candidates.push_back({std::move(known.language), std::move(known.name),
                                  std::move(platform), ownCountry});
        }
    }
    // A language's own country first, so that its month names are named by it.
    std::stable_partition(candidates.begin(), candidates.end(),
                          [](const Candidate& candidate) { return candidate.ownCountry; });

    LanguageCounter counter(user, candidates);
    BlockReader reader(book);
    const bool read = readByteOrderMark(reader) == QuoteFileEncoding::utf16Le
                          ? counter.count<char16_t>(reader)
                          : counter.count<char>(reader);
    if (!read) {
        return std::nullopt;
    }
    const auto best =
        std::max_element(candidates.begin(), candidates.end(),
                         [](const Candidate& a, const Candidate& b) { return a.lines < b.lines; });
    if (best == candidates.end() || best->lines * 2 <= counter.dayLines()) {
        return std::nullopt;
    }
    return BookLanguage{best->language, best->localeName, std::move(best->platform),
                        counter.dayLines(), best->lines};
}

std::wstring languageDiagnosis(const BookLanguage& language, const std::wstring& bookName,
                               const std::wstring& localeName) {
    const auto quoted = [](const std::wstring& text) {
        return L'"' + text + L'"';
    };
    std::wstring command = L"quotidia-check --rewrite-days " + quoted(bookName);
    if (language.localeName) {
        command += L" --from " + *language.localeName;
    }
    if (!localeName.empty()) {
        command += L" --locale " + localeName;
    }
    command += L" --output " + quoted(bookName);
    return L"the day lines are in " + language.language + L" (" +
           std::to_wstring(language.languageLines) + L" of " + std::to_wstring(language.dayLines) +
           L" are " + language.language + L" day keys and not those of " +
           (localeName.empty() ? L"this locale" : quoted(localeName)) +
           L"), so Quotidia finds no quotation on those days; rewrite them with: " + command +
           L" (other problems are listed as the book reads in " + language.language + L")";
}

} // namespace quotidia
