#pragma once
// The pages of a PDF file, as scanners write a stack of cards: each page
// rendered into a bitmap for the card read (poppler).
#include <memory>
#include <string>
#include <vector>

#include "recognition/image.h"

namespace tarvel {

// Pages are rendered at this resolution, or less where a page is so large
// that it would exceed kMaxPdfPagePixels: a card printed at its true size
// then comes out about twice as large as a webcam sees it.
inline constexpr double kPdfDotsPerInch = 150;
inline constexpr long long kMaxPdfPagePixels = 16LL * 1000 * 1000;

class PdfPages {
public:
    PdfPages();
    ~PdfPages();
    PdfPages(PdfPages&&) noexcept;
    PdfPages& operator=(PdfPages&&) noexcept;

    // Whether the bytes start as a PDF file does.
    static bool looksLikePdf(const std::vector<uint8_t>& bytes);
    // Takes the file's bytes. False when they are no PDF with at least one
    // page that can be read without a password.
    bool open(std::vector<uint8_t> bytes);
    int pages() const;
    // Page `index` (from 0) as a 3-byte bitmap; false when it cannot be drawn.
    bool render(int index, Bitmap& out) const;

private:
    struct Document;
    std::unique_ptr<Document> document_;
};

}  // namespace tarvel
