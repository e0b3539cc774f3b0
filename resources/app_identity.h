// The application's title, version and icon ids, kept in one place for the C++ code
// and the resource script: the macros feed the version record, the constants the code.
#ifndef QUOTIDIA_STARTUP_APP_IDENTITY_H
#define QUOTIDIA_STARTUP_APP_IDENTITY_H

#define QUOTIDIA_APP_TITLE "Quotidia"
#define QUOTIDIA_APP_MAJOR 1
#define QUOTIDIA_APP_MINOR 0
#define QUOTIDIA_APP_REVISION 0

// The icon group the windows load, and the one image it holds.
#define QUOTIDIA_ICON_GROUP_ID 1
#define QUOTIDIA_ICON_IMAGE_ID 30001

#define QUOTIDIA_STRINGIZE_VALUE(x) #x
#define QUOTIDIA_STRINGIZE(x) QUOTIDIA_STRINGIZE_VALUE(x)

// The version as the version record's texts give it: the minor number in two digits,
// so version 1.0 reads "1.00".
#if QUOTIDIA_APP_MINOR < 10
#define QUOTIDIA_APP_VERSION_TEXT                                                                  \
    QUOTIDIA_STRINGIZE(QUOTIDIA_APP_MAJOR) ".0" QUOTIDIA_STRINGIZE(QUOTIDIA_APP_MINOR)
#else
#define QUOTIDIA_APP_VERSION_TEXT                                                                  \
    QUOTIDIA_STRINGIZE(QUOTIDIA_APP_MAJOR) "." QUOTIDIA_STRINGIZE(QUOTIDIA_APP_MINOR)
#endif

#ifndef RC_INVOKED
namespace quotidia {

inline constexpr wchar_t kAppTitle[] = L"" QUOTIDIA_APP_TITLE;
inline constexpr int kAppMajor = QUOTIDIA_APP_MAJOR;
inline constexpr int kAppMinor = QUOTIDIA_APP_MINOR;
inline constexpr int kAppRevision = QUOTIDIA_APP_REVISION;
inline constexpr int kAppIconGroupId = QUOTIDIA_ICON_GROUP_ID;
inline constexpr int kAppIconImageId = QUOTIDIA_ICON_IMAGE_ID;

} // namespace quotidia
#endif

#endif
