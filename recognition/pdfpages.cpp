#include "recognition/pdfpages.h"

#include <poppler-document.h>
#include <poppler-image.h>
#include <poppler-page-renderer.h>
#include <poppler-page.h>

#include <climits>
#include <cmath>
#include <cstring>

namespace tarvel {
namespace {

// Poppler reports damaged files on stderr by default; the caller tells the
// user instead.
void quiet(const std::string&, void*) {}

}  // namespace

struct PdfPages::Document {
    std::vector<uint8_t> bytes;  // poppler reads them in place
    std::unique_ptr<poppler::document> pdf;
};

PdfPages::PdfPages() = default;
PdfPages::~PdfPages() = default;
PdfPages::PdfPages(PdfPages&&) noexcept = default;
PdfPages& PdfPages::operator=(PdfPages&&) noexcept = default;

bool PdfPages::looksLikePdf(const std::vector<uint8_t>& bytes) {
    return bytes.size() >= 5 && std::memcmp(bytes.data(), "%PDF-", 5) == 0;
}

bool PdfPages::open(std::vector<uint8_t> bytes) {
    document_.reset();
    if (!looksLikePdf(bytes) || bytes.size() > size_t(INT_MAX)) return false;
    poppler::set_debug_error_function(quiet, nullptr);
    auto d = std::make_unique<Document>();
    d->bytes = std::move(bytes);
    d->pdf.reset(poppler::document::load_from_raw_data(reinterpret_cast<const char*>(d->bytes.data()),
                                                       static_cast<int>(d->bytes.size())));
    if (!d->pdf || d->pdf->is_locked() || d->pdf->pages() < 1) return false;
    document_ = std::move(d);
    return true;
}

int PdfPages::pages() const { return document_ ? document_->pdf->pages() : 0; }

bool PdfPages::render(int index, Bitmap& out) const {
    if (!document_ || index < 0 || index >= pages()) return false;
    std::unique_ptr<poppler::page> page(document_->pdf->create_page(index));
    if (!page) return false;
    // Page size in points (1/72 inch), turned as the page is shown.
    const poppler::rectf box = page->page_rect(poppler::media_box);
    double wide = std::abs(box.width()), high = std::abs(box.height());
    if (!(wide > 0 && high > 0)) return false;
    double dpi = kPdfDotsPerInch;
    const double pixels = wide / 72 * dpi * high / 72 * dpi;
    if (pixels > double(kMaxPdfPagePixels)) dpi *= std::sqrt(double(kMaxPdfPagePixels) / pixels);
    poppler::page_renderer renderer;
    renderer.set_render_hint(poppler::page_renderer::antialiasing);
    renderer.set_render_hint(poppler::page_renderer::text_antialiasing);
    renderer.set_image_format(poppler::image::format_bgr24);
    const poppler::image image = renderer.render_page(page.get(), dpi, dpi);
    if (!image.is_valid() || image.format() != poppler::image::format_bgr24 || image.width() <= 0 ||
        image.height() <= 0) {
        return false;
    }
    out = Bitmap(image.width(), image.height(), 3);
    for (int r = 0; r < image.height(); ++r) {
        std::memcpy(out.rowFromTop(r), image.const_data() + size_t(r) * image.bytes_per_row(), size_t(out.stride()));
    }
    return true;
}

}  // namespace tarvel
