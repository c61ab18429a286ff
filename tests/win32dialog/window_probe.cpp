#include "window_probe.h"

#include <fstream>
#include <thread>
#include <vector>

namespace tavrix::win32::test {

bool WaitUntil(const std::function<bool()>& ready, std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!ready()) {
        if (std::chrono::steady_clock::now() > until) {
            return false;
        }
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

std::wstring TextOf(HWND window) {
    wchar_t text[1024] = {};
    SendMessageW(window, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text));
    return text;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, static_cast<int>(std::size(name)));
    return name;
}

namespace {

struct Search {
    std::wstring className;
    std::wstring caption;
    HWND owner = nullptr;
    bool byOwner = false;
    HWND found = nullptr;
};

BOOL CALLBACK Match(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<Search*>(context);
    if (!IsWindowVisible(window) || ClassOf(window) != search->className) {
        return TRUE;
    }
    if (search->byOwner ? GetWindow(window, GW_OWNER) != search->owner
                        : !search->caption.empty() && TextOf(window) != search->caption) {
        return TRUE;
    }
    search->found = window;
    return FALSE;
}

}  // namespace

HWND FindThreadWindow(DWORD thread, const std::wstring& className, const std::wstring& caption) {
    Search search{className, caption};
    EnumThreadWindows(thread, Match, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindMessageBox(DWORD thread, HWND owner) {
    Search search{L"#32770", {}, owner, true};
    EnumThreadWindows(thread, Match, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring MessageBoxText(HWND box) {
    // The system's message box shows its text in the static control 0xFFFF.
    return TextOf(GetDlgItem(box, 0xFFFF));
}

bool CaptureWindow(HWND window, const std::string& bmpPath) {
    RECT frame{};
    if (!GetWindowRect(window, &frame)) {
        return false;
    }
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;  // bottom-up, as a BMP file stores it
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    const int stride = (width * 3 + 3) & ~3;
    header.biSizeImage = static_cast<DWORD>(stride * height);

    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header),
                                      DIB_RGB_COLORS, &bits, nullptr, 0);
    bool written = false;
    if (bitmap != nullptr) {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        if (BitBlt(memory, 0, 0, width, height, screen, frame.left, frame.top, SRCCOPY)) {
            GdiFlush();
            BITMAPFILEHEADER file{};
            file.bfType = 0x4D42;  // "BM"
            file.bfOffBits = sizeof file + sizeof header;
            file.bfSize = file.bfOffBits + header.biSizeImage;
            std::ofstream out(bmpPath, std::ios::binary);
            out.write(reinterpret_cast<const char*>(&file), sizeof file);
            out.write(reinterpret_cast<const char*>(&header), sizeof header);
            out.write(static_cast<const char*>(bits), header.biSizeImage);
            written = static_cast<bool>(out);
        }
        SelectObject(memory, previous);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return written;
}

}  // namespace tavrix::win32::test
