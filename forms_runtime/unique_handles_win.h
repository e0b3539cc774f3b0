#pragma once
// One owning type per kind of Win32 handle, each closed by its own function.

#include <windows.h>

#include <memory>
#include <type_traits>

namespace quotidia {

template <typename Handle, auto Close> struct HandleCloser {
    using pointer = Handle;
    void operator()(Handle handle) const noexcept {
        if (handle != nullptr) {
            Close(handle);
        }
    }
};

template <typename Handle, auto Close>
using UniqueHandleOf = std::unique_ptr<std::remove_pointer_t<Handle>, HandleCloser<Handle, Close>>;

using UniqueHAccel = UniqueHandleOf<HACCEL, DestroyAcceleratorTable>;
using UniqueHFont = UniqueHandleOf<HFONT, DeleteObject>;
using UniqueHGlobal = UniqueHandleOf<HGLOBAL, GlobalFree>;
using UniqueHIcon = UniqueHandleOf<HICON, DestroyIcon>;
using UniqueHKey = UniqueHandleOf<HKEY, RegCloseKey>;
using UniqueHMenu = UniqueHandleOf<HMENU, DestroyMenu>;
using UniqueHandle = UniqueHandleOf<HANDLE, CloseHandle>;
using UniqueHModule = UniqueHandleOf<HMODULE, FreeLibrary>;

} // namespace quotidia
