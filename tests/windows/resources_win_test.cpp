// Reads the resources linked into Quotidia.exe back through the platform's own
// functions: the icon group and its image, the manifest, and the version record.
#include <windows.h>

#include "app_identity.h"
#include "unique_handles_win.h"
#include "wine_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

using quotidia::UniqueHandleOf;
using quotidia::UniqueHIcon;
using quotidia::UniqueHModule;
using UniqueHdc = UniqueHandleOf<HDC, DeleteDC>;
using UniqueHBitmap = UniqueHandleOf<HBITMAP, DeleteObject>;

constexpr WORD kIconGroupId = quotidia::kAppIconGroupId;
constexpr WORD kIconImageId = quotidia::kAppIconImageId;
constexpr int kIconSize = 32;
constexpr COLORREF kGround = RGB(128, 255, 255);
constexpr COLORREF kStroke = RGB(0, 0, 0);
constexpr COLORREF kEdge = RGB(255, 0, 0);
const std::set<COLORREF> kIconColours{kGround, kStroke, kEdge};

std::optional<std::span<const std::uint8_t>> try_resource(HMODULE module, WORD id, LPCWSTR type) {
    HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(id), type);
    if (info == nullptr) {
        return std::nullopt;
    }
    HGLOBAL loaded = LoadResource(module, info);
    const void* data = loaded == nullptr ? nullptr : LockResource(loaded);
    if (data == nullptr) {
        return std::nullopt;
    }
    return std::span(static_cast<const std::uint8_t*>(data), SizeofResource(module, info));
}

template <typename Value> Value readAt(std::span<const std::uint8_t> bytes, std::size_t offset) {
    Value value{};
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

// Integer ids as "#30001", as the platform writes them; string names as they are.
BOOL CALLBACK collectResourceName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR names) {
    auto* collected = reinterpret_cast<std::vector<std::wstring>*>(names);
    collected->push_back(IS_INTRESOURCE(name)
                             ? L"#" + std::to_wstring(reinterpret_cast<ULONG_PTR>(name))
                             : std::wstring(name));
    return TRUE;
}

std::vector<std::wstring> resourceNames(HMODULE module, LPCWSTR type) {
    std::vector<std::wstring> names;
    EnumResourceNamesW(module, type, collectResourceName, reinterpret_cast<LONG_PTR>(&names));
    return names;
}

class ProgramResources : public ::testing::Test {
  protected:
    void SetUp() override {
        programPath = (quotidia::testing::buildFolder() / L"Quotidia.exe").wstring();
        program.reset(LoadLibraryExW(programPath.c_str(), nullptr,
                                     LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
        ASSERT_NE(program, nullptr) << "error " << GetLastError();
    }

    std::span<const std::uint8_t> iconImage() {
        const auto image = try_resource(program.get(), kIconImageId, RT_ICON);
        return image.value_or(std::span<const std::uint8_t>{});
    }

    std::wstring programPath;
    UniqueHModule program;
};

TEST_F(ProgramResources, IconGroupOneNamesTheSingle32By32TrueColourImage) {
    const auto group = try_resource(program.get(), kIconGroupId, RT_GROUP_ICON);
    ASSERT_TRUE(group);
    constexpr std::size_t kDirectorySize = 6;
    constexpr std::size_t kEntrySize = 14;
    ASSERT_EQ(group->size(), kDirectorySize + kEntrySize);
    EXPECT_EQ(readAt<WORD>(*group, 0), 0);
    EXPECT_EQ(readAt<WORD>(*group, 2), 1) << "resource type: icon";
    EXPECT_EQ(readAt<WORD>(*group, 4), 1) << "image count";

    const auto entry = group->subspan(kDirectorySize);
    EXPECT_EQ(entry[0], kIconSize);
    EXPECT_EQ(entry[1], kIconSize);
    EXPECT_EQ(readAt<WORD>(entry, 4), 1) << "planes";
    EXPECT_EQ(readAt<WORD>(entry, 6), 24) << "bits per pixel";
    EXPECT_EQ(readAt<DWORD>(entry, 8), iconImage().size());
    EXPECT_EQ(readAt<WORD>(entry, 12), kIconImageId);

    // The platform's own choice of image for a 32-pixel icon.
    EXPECT_EQ(LookupIconIdFromDirectoryEx(const_cast<PBYTE>(group->data()), TRUE, kIconSize,
                                          kIconSize, LR_DEFAULTCOLOR),
              kIconImageId);
}

TEST_F(ProgramResources, HoldsNoOtherIconsAndOneManifest) {
    EXPECT_EQ(resourceNames(program.get(), RT_GROUP_ICON),
              std::vector<std::wstring>{L"#" + std::to_wstring(kIconGroupId)});
    EXPECT_EQ(resourceNames(program.get(), RT_ICON),
              std::vector<std::wstring>{L"#" + std::to_wstring(kIconImageId)});
    EXPECT_EQ(resourceNames(program.get(), RT_MANIFEST), std::vector<std::wstring>{L"#1"});
}

TEST_F(ProgramResources, IconImageIsOpaqueTrueColourInTheThreeColours) {
    const auto image = iconImage();
    constexpr std::size_t kHeaderSize = sizeof(BITMAPINFOHEADER);
    constexpr std::size_t kColourSize = kIconSize * kIconSize * 3; // rows need no padding
    constexpr std::size_t kMaskSize = kIconSize * 4;               // one bit a pixel
    ASSERT_EQ(image.size(), kHeaderSize + kColourSize + kMaskSize);
    const auto header = readAt<BITMAPINFOHEADER>(image, 0);
    EXPECT_EQ(header.biSize, kHeaderSize);
    EXPECT_EQ(header.biWidth, kIconSize);
    EXPECT_EQ(header.biHeight, 2 * kIconSize) << "colour bits and mask";
    EXPECT_EQ(header.biPlanes, 1);
    EXPECT_EQ(header.biBitCount, 24);
    EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));

    const auto colourBits = image.subspan(kHeaderSize, kColourSize);
    const auto maskBits = image.subspan(kHeaderSize + kColourSize);

    std::set<COLORREF> colours;
    for (std::size_t pixel = 0; pixel < colourBits.size(); pixel += 3) {
        colours.insert(RGB(colourBits[pixel + 2], colourBits[pixel + 1], colourBits[pixel]));
    }
    EXPECT_EQ(colours, kIconColours);
    EXPECT_TRUE(std::ranges::all_of(maskBits, [](std::uint8_t bits) { return bits == 0; }))
        << "a set mask bit lets the background show through";
}

// Drawn by the platform over a colour the icon never uses, no pixel lets it through.
TEST_F(ProgramResources, IconDrawsOpaquelyInTheThreeColours) {
    const auto image = iconImage();
    ASSERT_FALSE(image.empty());
    UniqueHIcon icon(CreateIconFromResourceEx(const_cast<PBYTE>(image.data()),
                                              static_cast<DWORD>(image.size()), TRUE, 0x00030000,
                                              kIconSize, kIconSize, LR_DEFAULTCOLOR));
    ASSERT_NE(icon, nullptr);

    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    format.bmiHeader.biWidth = kIconSize;
    format.bmiHeader.biHeight = -kIconSize;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueHBitmap canvas(CreateDIBSection(nullptr, &format, DIB_RGB_COLORS, &bits, nullptr, 0));
    UniqueHdc dc(CreateCompatibleDC(nullptr));
    ASSERT_NE(canvas, nullptr);
    ASSERT_NE(dc, nullptr);
    constexpr DWORD kBackdrop = 0x00FF00FF; // magenta as 0x00RRGGBB
    auto* pixels = static_cast<DWORD*>(bits);
    std::fill_n(pixels, kIconSize * kIconSize, kBackdrop);

    HGDIOBJ previous = SelectObject(dc.get(), canvas.get());
    const bool drawn = DrawIconEx(dc.get(), 0, 0, icon.get(), kIconSize, kIconSize, 0, nullptr,
                                  DI_NORMAL) != FALSE;
    GdiFlush();
    SelectObject(dc.get(), previous);
    ASSERT_TRUE(drawn);

    std::set<COLORREF> colours;
    for (int pixel = 0; pixel < kIconSize * kIconSize; ++pixel) {
        const DWORD rgb = pixels[pixel] & 0x00FFFFFF;
        colours.insert(RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF));
    }
    EXPECT_EQ(colours, kIconColours);
}

TEST_F(ProgramResources, ManifestAsksForPerMonitorDpiStylesAndNoElevation) {
    const auto manifest = try_resource(program.get(), 1, RT_MANIFEST);
    ASSERT_TRUE(manifest);
    const std::string_view text(reinterpret_cast<const char*>(manifest->data()), manifest->size());
    EXPECT_NE(text.find("<dpiAwareness"), text.npos);
    EXPECT_NE(text.find(">PerMonitorV2, PerMonitor<"), text.npos);
    EXPECT_NE(text.find(">true/pm<"), text.npos);
    EXPECT_NE(text.find("level=\"asInvoker\""), text.npos);
    EXPECT_NE(text.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
              text.npos);
    EXPECT_NE(text.find("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"), text.npos) << "Windows 10";
    // Text goes through the system's ANSI code page, which this setting would override.
    EXPECT_EQ(text.find("<activeCodePage"), text.npos);
}

class VersionRecord : public ProgramResources {
  protected:
    void SetUp() override {
        ProgramResources::SetUp();
        ASSERT_FALSE(HasFatalFailure());
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeW(programPath.c_str(), &ignored);
        ASSERT_NE(size, 0u);
        record.resize(size);
        ASSERT_TRUE(GetFileVersionInfoW(programPath.c_str(), 0, size, record.data()));
    }

    std::span<const std::uint8_t> query(const std::wstring& path) {
        void* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueW(record.data(), path.c_str(), &value, &length)) {
            return {};
        }
        return {static_cast<const std::uint8_t*>(value), length};
    }

    std::wstring text(const std::wstring& name) {
        void* value = nullptr;
        UINT length = 0;
        const std::wstring path = L"\\StringFileInfo\\040904B0\\" + name;
        if (!VerQueryValueW(record.data(), path.c_str(), &value, &length) || length == 0) {
            return L"(missing)";
        }
        const auto* characters = static_cast<const wchar_t*>(value);
        return {characters, wcsnlen(characters, length)};
    }

    std::vector<std::uint8_t> record;
};

TEST_F(VersionRecord, FixedPartGivesVersionOnePointZeroOfAnApplication) {
    const auto fixed = query(L"\\");
    ASSERT_EQ(fixed.size(), sizeof(VS_FIXEDFILEINFO));
    const auto info = readAt<VS_FIXEDFILEINFO>(fixed, 0);
    EXPECT_EQ(info.dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(info.dwFileVersionMS, MAKELONG(0, 1));
    EXPECT_EQ(info.dwFileVersionLS, 0u);
    EXPECT_EQ(info.dwProductVersionMS, MAKELONG(0, 1));
    EXPECT_EQ(info.dwProductVersionLS, 0u);
    EXPECT_EQ(info.dwFileType, static_cast<DWORD>(VFT_APP));
    EXPECT_EQ(info.dwFileFlags & info.dwFileFlagsMask, 0u) << "no debug or pre-release flag";
}

TEST_F(VersionRecord, OneStringTableForUsEnglishInUnicode) {
    const auto translations = query(L"\\VarFileInfo\\Translation");
    ASSERT_EQ(translations.size(), 2 * sizeof(WORD));
    EXPECT_EQ(readAt<WORD>(translations, 0), 0x0409);
    EXPECT_EQ(readAt<WORD>(translations, 2), 1200);
}

TEST_F(VersionRecord, StringTableNamesTheProgram) {
    const std::vector<std::pair<std::wstring, std::wstring>> expected{
        {L"CompanyName", L"Quotidia Project"},
        {L"FileDescription", L"Quotidia"},
        {L"FileVersion", L"1.00"},
        {L"InternalName", L"Quotidia"},
        {L"OriginalFilename", L"Quotidia.exe"},
        {L"ProductName", L"Quotidia"},
        {L"ProductVersion", L"1.00"},
    };
    for (const auto& [name, value] : expected) {
        EXPECT_EQ(text(name), value) << name.c_str();
    }
}

} // namespace
