#include "tests/e2e/message_box_icon.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace e2e {

namespace {

constexpr int MessageBoxIconId = 0x440; // stc1

using Pixels = std::vector<std::uint32_t>; // 0x00RRGGBB, top-down rows

// A 32-bit top-down DIB section selected into a memory DC, for drawing and reading.
class Canvas {
  public:
    Canvas(int width, int height) : width_(width), height_(height) {
        HDC screen = GetDC(nullptr);
        dc_ = CreateCompatibleDC(screen);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        bitmap_ = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
        ReleaseDC(nullptr, screen);
        if (dc_ != nullptr && bitmap_ != nullptr) {
            previous_ = SelectObject(dc_, bitmap_);
        }
    }
    ~Canvas() {
        if (previous_ != nullptr) {
            SelectObject(dc_, previous_);
        }
        if (bitmap_ != nullptr) {
            DeleteObject(bitmap_);
        }
        if (dc_ != nullptr) {
            DeleteDC(dc_);
        }
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    bool valid() const { return previous_ != nullptr && bits_ != nullptr; }
    HDC dc() const { return dc_; }

    Pixels pixels() const {
        GdiFlush();
        const auto* source = static_cast<const std::uint32_t*>(bits_);
        Pixels result(source, source + static_cast<std::size_t>(width_) * height_);
        for (std::uint32_t& pixel : result) {
            pixel &= 0x00FFFFFF;
        }
        return result;
    }

  private:
    int width_;
    int height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    void* bits_ = nullptr;
};

int iconSize() {
    return GetSystemMetrics(SM_CXICON);
}

std::optional<Pixels> drawIcon(HICON icon, COLORREF background) {
    const int size = iconSize();
    Canvas canvas(size, size);
    if (!canvas.valid()) {
        return std::nullopt;
    }
    RECT all{0, 0, size, size};
    HBRUSH brush = CreateSolidBrush(background);
    FillRect(canvas.dc(), &all, brush);
    DeleteObject(brush);
    if (!DrawIconEx(canvas.dc(), 0, 0, icon, size, size, 0, nullptr, DI_NORMAL)) {
        return std::nullopt;
    }
    return canvas.pixels();
}

std::optional<Pixels> captureScreen(int x, int y) {
    const int size = iconSize();
    Canvas canvas(size, size);
    if (!canvas.valid()) {
        return std::nullopt;
    }
    HDC screen = GetDC(nullptr);
    const BOOL copied = BitBlt(canvas.dc(), 0, 0, size, size, screen, x, y, SRCCOPY);
    ReleaseDC(nullptr, screen);
    if (!copied) {
        return std::nullopt;
    }
    return canvas.pixels();
}

// A system icon as drawn in this process: its pixels and which of them are opaque.
struct Reference {
    IconKind kind;
    Pixels pixels;
    std::vector<bool> opaque;
};

const std::vector<Reference>& references() {
    static const std::vector<Reference> all = [] {
        struct Source {
            IconKind kind;
            const wchar_t* id;
        };
        const std::array<Source, 4> sources = {{
            {IconKind::Error, MAKEINTRESOURCEW(32513)},       // IDI_HAND
            {IconKind::Warning, MAKEINTRESOURCEW(32515)},     // IDI_EXCLAMATION
            {IconKind::Information, MAKEINTRESOURCEW(32516)}, // IDI_ASTERISK
            {IconKind::Question, MAKEINTRESOURCEW(32514)},    // IDI_QUESTION
        }};
        std::vector<Reference> result;
        for (const Source& source : sources) {
            HICON icon = LoadIconW(nullptr, source.id);
            const auto onBlack = drawIcon(icon, RGB(0, 0, 0));
            const auto onWhite = drawIcon(icon, RGB(255, 255, 255));
            if (!onBlack || !onWhite) {
                continue;
            }
            Reference reference{source.kind, *onBlack, std::vector<bool>(onBlack->size())};
            for (std::size_t i = 0; i < onBlack->size(); ++i) {
                reference.opaque[i] = (*onBlack)[i] == (*onWhite)[i];
            }
            result.push_back(std::move(reference));
        }
        return result;
    }();
    return all;
}

bool matches(const Reference& reference, const Pixels& shot) {
    std::size_t opaque = 0;
    for (std::size_t i = 0; i < shot.size(); ++i) {
        if (reference.opaque[i]) {
            ++opaque;
            if (reference.pixels[i] != shot[i]) {
                return false;
            }
        }
    }
    return opaque > 0;
}

} // namespace

const char* toString(IconKind kind) {
    switch (kind) {
    case IconKind::None:
        return "no icon";
    case IconKind::Error:
        return "error icon";
    case IconKind::Warning:
        return "warning icon";
    case IconKind::Information:
        return "information icon";
    case IconKind::Question:
        return "question icon";
    case IconKind::Unknown:
        break;
    }
    return "unknown icon";
}

IconKind messageBoxIcon(HWND box, DWORD timeoutMs) {
    HWND iconControl = GetDlgItem(box, MessageBoxIconId);
    if (iconControl == nullptr) {
        return IconKind::Unknown;
    }
    DWORD_PTR icon = 0;
    if (!SendMessageTimeoutW(iconControl, STM_GETICON, 0, 0, SMTO_NORMAL, timeoutMs, &icon)) {
        return IconKind::Unknown;
    }
    if (icon == 0) {
        return IconKind::None;
    }
    const DWORD start = GetTickCount();
    for (;;) {
        RECT rect{};
        if (IsWindow(iconControl) && GetWindowRect(iconControl, &rect)) {
            if (const auto shot = captureScreen(rect.left, rect.top)) {
                for (const Reference& reference : references()) {
                    if (matches(reference, *shot)) {
                        return reference.kind;
                    }
                }
            }
        }
        if (GetTickCount() - start >= timeoutMs) {
            return IconKind::Unknown;
        }
        Sleep(10);
    }
}

} // namespace e2e
