#pragma once
// The corpus set "photos": filled cards as teachers bring them besides the
// webcam - phone photos (4000 x 3000 JPEG stored as the sensor saw them, with
// the EXIF orientation the phone wrote) and scanned A4 pages (150-300 dpi,
// PNG files and PDF pages) - with the truth of what the read must find.
#include <QByteArray>
#include <QImage>
#include <functional>
#include <string>
#include <vector>

#include "corpus.h"
#include "layoutfile.h"

namespace tarvel::cards {

inline constexpr int kPhotoSetSize = 200;
inline constexpr int kPhoneWidth = 4000;
inline constexpr int kPhoneHeight = 3000;

// Writes <out>/photos/: phone-NNNN.jpg, scan-NNNN.png, scan-NNNN.pdf and
// truth.jsonl (the fields of every set plus "kind": "phone", "scan" or
// "pdf", and "orientation", the EXIF value written). Returns "" or a message.
std::string writePhotoSet(const CorpusOptions& options, const std::vector<CardDesign>& designs,
                          const std::function<void(const std::string&)>& progress);

// A phone photo of a filled card as the set has them, upright as the phone
// shows it (for the README).
QImage examplePhoto(const CardDesign& design, uint64_t start);

// The bytes of a JPEG file with an EXIF block holding only the orientation
// tag put in after the start marker, in little- or big-endian TIFF order
// (phones write both).
QByteArray withOrientation(const QByteArray& jpeg, int orientation, bool bigEndian);

}  // namespace tarvel::cards
