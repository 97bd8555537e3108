#pragma once
// Camera frames as the capture devices deliver them: uncompressed 24-bit BGR
// (rows bottom-up), YUY2, I420 (both top row first, BT.601 video range) and
// MJPG (one JPEG picture per frame).
#include <QImage>
#include <cstdint>
#include <string>
#include <vector>

namespace tarvel::cards {

enum class FrameFormat { Bgr24, Yuy2, I420, Mjpg };

// "bgr24", "yuy2", "i420", "mjpg"; false for anything else.
bool frameFormatFromName(const std::string& name, FrameFormat& out);
const char* frameFormatName(FrameFormat f);

std::vector<uint8_t> toBgr24BottomUp(const QImage& image);
std::vector<uint8_t> toYuy2(const QImage& image);
std::vector<uint8_t> toI420(const QImage& image);
std::vector<uint8_t> toMjpg(const QImage& image, int quality);
std::vector<uint8_t> encodeFrame(const QImage& image, FrameFormat format, int quality = 90);

}  // namespace tarvel::cards
