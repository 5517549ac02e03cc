#include "ui/win32/text_win32.hpp"

#include <cstring>

#include "ui/win32/text_cut.hpp"

namespace vh::win32 {

WideText widen(const char* text, std::size_t len) {
    WideText w{};
    constexpr std::size_t kMaxBytes = sizeof w.text / sizeof w.text[0] - 1;
    if (len > kMaxBytes) len = kMaxBytes;
    if (len > 0) {
        const int n = MultiByteToWideChar(kTextCodePage, 0, text, static_cast<int>(len), w.text,
                                          static_cast<int>(kMaxBytes));
        w.size = n > 0 ? n : 0;
    }
    w.text[w.size] = L'\0';
    return w;
}

WideText widen(const char* text) { return widen(text, std::strlen(text)); }

std::size_t read_window_text(HWND h, char* buf, std::size_t limit) {
    buf[0] = '\0';
    // Every UTF-16 unit gives at least one byte, or one per surrogate pair:
    // twice the byte room in units is always enough text to cut from.
    constexpr std::size_t kMaxLimit = 256;
    if (limit > kMaxLimit) limit = kMaxLimit;
    wchar_t wide[2 * (kMaxLimit + 1) + 1];
    const int units = GetWindowTextW(h, wide, static_cast<int>(2 * (limit + 1) + 1));
    if (units <= 0) return 0;
    char bytes[4 * (kMaxLimit + 1)];
    const int size = WideCharToMultiByte(kTextCodePage, 0, wide, units, bytes, sizeof bytes, nullptr, nullptr);
    if (size <= 0) return 0;
    wchar_t cls[8] = L"";
    GetClassNameW(h, cls, 8);
    const std::size_t kept = lstrcmpiW(cls, L"Edit") == 0
                                 ? edit_text_cut(static_cast<std::size_t>(size), limit)
                                 : whole_char_text_cut(bytes, static_cast<std::size_t>(size), limit);
    std::memcpy(buf, bytes, kept);
    buf[kept] = '\0';
    return kept;
}

namespace {

// Japanese faces in order of preference, then the first fixed-pitch face that
// the system reports for the Japanese character set, then the first face of
// any pitch. A fixed-pitch Japanese face draws digits half as wide as high,
// as narrow as the default font of a Japanese system: two digits still fit
// into the 20-pixel fields.
constexpr const wchar_t* kPreferredFaces[] = {L"MS UI Gothic", L"MS Gothic"};

struct FaceSearch {
    wchar_t first[LF_FACESIZE];
    wchar_t first_fixed[LF_FACESIZE];
    int preferred;  // index into kPreferredFaces, or -1
};

int CALLBACK on_face(const LOGFONTW* lf, const TEXTMETRICW*, DWORD, LPARAM param) {
    FaceSearch& s = *reinterpret_cast<FaceSearch*>(param);
    if (lf->lfFaceName[0] == L'@') return 1;  // vertical writing
    if (!s.first[0]) lstrcpynW(s.first, lf->lfFaceName, LF_FACESIZE);
    if (!s.first_fixed[0] && (lf->lfPitchAndFamily & 3) == FIXED_PITCH)
        lstrcpynW(s.first_fixed, lf->lfFaceName, LF_FACESIZE);
    for (int i = 0; i < static_cast<int>(sizeof kPreferredFaces / sizeof kPreferredFaces[0]); ++i) {
        if ((s.preferred < 0 || i < s.preferred) && lstrcmpiW(lf->lfFaceName, kPreferredFaces[i]) == 0)
            s.preferred = i;
    }
    return 1;
}

bool shows_japanese(HDC dc) {
    if (GetTextCharset(dc) == SHIFTJIS_CHARSET) return true;
    WORD glyphs[2] = {};
    return GetGlyphIndicesW(dc, L"\x3042\x6F22", 2, glyphs, GGI_MARK_NONEXISTING_GLYPHS) == 2 &&
           glyphs[0] != 0xFFFF && glyphs[1] != 0xFFFF;
}

HFONT choose_text_font() {
    if (GetACP() == kTextCodePage) return nullptr;
    HDC dc = GetDC(nullptr);
    if (!dc) return nullptr;
    const HGDIOBJ old = SelectObject(dc, GetStockObject(SYSTEM_FONT));
    HFONT font = nullptr;
    TEXTMETRICW tm{};
    if (!shows_japanese(dc) && GetTextMetricsW(dc, &tm)) {
        LOGFONTW want{};
        want.lfCharSet = SHIFTJIS_CHARSET;
        FaceSearch search{};
        search.preferred = -1;
        EnumFontFamiliesExW(dc, &want, on_face, reinterpret_cast<LPARAM>(&search), 0);
        const wchar_t* face = search.preferred >= 0 ? kPreferredFaces[search.preferred]
                              : search.first_fixed[0] ? search.first_fixed
                                                      : search.first;
        font = CreateFontW(tm.tmHeight, tm.tmAveCharWidth, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                           face);
    }
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return font;
}

}  // namespace

HFONT text_font() {
    static const HFONT font = choose_text_font();
    return font;
}

}  // namespace vh::win32
