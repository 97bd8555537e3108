#include "capture/v4l2camera.h"

#include <fcntl.h>
#include <linux/videodev2.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "base/affinity.h"

namespace tarvel {
namespace {

int xioctl(int fd, unsigned long request, void* arg) {
    int r;
    do {
        r = ioctl(fd, request, arg);
    } while (r == -1 && errno == EINTR);
    return r == -1 ? -errno : 0;
}

FrameFormat formatOfPixel(uint32_t pixelFormat) {
    switch (pixelFormat) {
        case V4L2_PIX_FMT_YUYV: return FrameFormat::Yuy2;
        case V4L2_PIX_FMT_MJPEG: return FrameFormat::Mjpg;
        case V4L2_PIX_FMT_YUV420: return FrameFormat::I420;
        case V4L2_PIX_FMT_BGR24:
        case V4L2_PIX_FMT_RGB24: return FrameFormat::Rgb24;
        default: return FrameFormat::Other;
    }
}

uint32_t capabilitiesOf(const v4l2_capability& cap) {
    return (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
}

std::string cardNameOf(const v4l2_capability& cap) {
    const char* card = reinterpret_cast<const char*>(cap.card);
    return std::string(card, strnlen(card, sizeof cap.card));
}

}  // namespace

V4l2Camera::V4l2Camera(std::string devicePath, std::string cardName)
    : path_(std::move(devicePath)), cardName_(std::move(cardName)) {}

V4l2Camera::~V4l2Camera() {
    stop();
    release();
}

void V4l2Camera::release() {
    for (Buffer& b : buffers_) {
        if (b.start) munmap(b.start, b.length);
    }
    buffers_.clear();
    if (fd_ >= 0) ::close(fd_);
    if (wakeFd_ >= 0) ::close(wakeFd_);
    fd_ = wakeFd_ = -1;
}

int V4l2Camera::open() {
    release();
    fd_ = ::open(path_.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) return -errno;

    // Keep the device's current pixel format when it is one we convert (the
    // format the camera was left in); otherwise ask for the formats in order.
    v4l2_format fmt{};
    fmt.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    int r = xioctl(fd_, VIDIOC_G_FMT, &fmt);
    if (r < 0) return r;
    std::vector<uint32_t> wanted = {fmt.fmt.pix.pixelformat, V4L2_PIX_FMT_YUYV, V4L2_PIX_FMT_MJPEG,
                                    V4L2_PIX_FMT_YUV420, V4L2_PIX_FMT_BGR24, V4L2_PIX_FMT_RGB24};
    for (uint32_t pixel : wanted) {
        if (formatOfPixel(pixel) == FrameFormat::Other) continue;
        v4l2_format trial{};
        trial.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        trial.fmt.pix.width = kCaptureWidth;
        trial.fmt.pix.height = kCaptureHeight;
        trial.fmt.pix.pixelformat = pixel;
        trial.fmt.pix.field = V4L2_FIELD_NONE;
        if (xioctl(fd_, VIDIOC_S_FMT, &trial) == 0 && trial.fmt.pix.pixelformat == pixel) {
            fmt = trial;
            break;
        }
    }
    layout_.pixelFormat = fmt.fmt.pix.pixelformat;
    layout_.width = static_cast<int>(fmt.fmt.pix.width);
    layout_.height = static_cast<int>(fmt.fmt.pix.height);
    layout_.bytesPerLine = fmt.fmt.pix.bytesperline;
    format_ = formatOfPixel(layout_.pixelFormat);

    v4l2_streamparm parm{};
    parm.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (xioctl(fd_, VIDIOC_G_PARM, &parm) == 0 && (parm.parm.capture.capability & V4L2_CAP_TIMEPERFRAME)) {
        parm.parm.capture.timeperframe = {1, kCaptureFps};
        xioctl(fd_, VIDIOC_S_PARM, &parm);  // a camera that keeps its rate still works
    }

    v4l2_requestbuffers req{};
    req.count = 4;
    req.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    req.memory = V4L2_MEMORY_MMAP;
    if ((r = xioctl(fd_, VIDIOC_REQBUFS, &req)) < 0) return r;
    for (uint32_t i = 0; i < req.count; ++i) {
        v4l2_buffer buf{};
        buf.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        buf.memory = V4L2_MEMORY_MMAP;
        buf.index = i;
        if ((r = xioctl(fd_, VIDIOC_QUERYBUF, &buf)) < 0) return r;
        void* p = mmap(nullptr, buf.length, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, buf.m.offset);
        if (p == MAP_FAILED) return -errno;
        buffers_.push_back({p, buf.length});
    }
    wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    return wakeFd_ < 0 ? -errno : 0;
}

int V4l2Camera::start(FrameCallback onFrame, StreamEndCallback onEnd) {
    stop();
    if (fd_ < 0 || buffers_.empty()) return -EBADF;
    onFrame_ = std::move(onFrame);
    onEnd_ = std::move(onEnd);
    for (uint32_t i = 0; i < buffers_.size(); ++i) {
        v4l2_buffer buf{};
        buf.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        buf.memory = V4L2_MEMORY_MMAP;
        buf.index = i;
        if (int r = xioctl(fd_, VIDIOC_QBUF, &buf); r < 0) return r;
    }
    v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (int r = xioctl(fd_, VIDIOC_STREAMON, &type); r < 0) return r;
    streaming_ = true;
    worker_ = std::thread(&V4l2Camera::run, this);
    return 0;
}

void V4l2Camera::stop() {
    if (!worker_.joinable()) return;
    streaming_ = false;
    uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(wakeFd_, &one, sizeof one);
    worker_.join();
    v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    xioctl(fd_, VIDIOC_STREAMOFF, &type);
    uint64_t drained;
    n = ::read(wakeFd_, &drained, sizeof drained);
}

void V4l2Camera::run() {
    takeProcessAffinity();  // not the user-interface thread's single processor
    pollfd fds[2] = {{fd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
    int error = 0;
    while (streaming_ && error == 0) {
        const int ready = poll(fds, 2, 1000);
        if (ready < 0 && errno != EINTR) error = -errno;
        if (ready <= 0) continue;
        if (fds[1].revents) return;  // stop() asked
        if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) {
            error = -ENODEV;  // unplugged
            continue;
        }
        v4l2_buffer buf{};
        buf.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        buf.memory = V4L2_MEMORY_MMAP;
        // No buffer ready yet is the only error a running camera gives; any
        // other (ENODEV once unplugged, EIO) ends the stream.
        if (int r = xioctl(fd_, VIDIOC_DQBUF, &buf); r < 0) {
            if (r != -EAGAIN) error = r;
            continue;
        }
        if (buf.index < buffers_.size() && !(buf.flags & V4L2_BUF_FLAG_ERROR)) {
            const size_t used = std::min<size_t>(buf.bytesused, buffers_[buf.index].length);
            deliver(static_cast<const uint8_t*>(buffers_[buf.index].start), used);
        }
        error = xioctl(fd_, VIDIOC_QBUF, &buf);
    }
    if (error != 0 && onEnd_) onEnd_(error);
}

void V4l2Camera::deliver(const uint8_t* data, size_t used) {
    if (format_ == FrameFormat::Mjpg) {
        // Some cameras pad a JPEG frame with zeros after its end marker; the
        // frame loop wants the picture to end with FF D9.
        while (used > 2 && data[used - 1] == 0) --used;
    }
    const bool yuv = format_ == FrameFormat::Yuy2 || format_ == FrameFormat::I420;
    const size_t tight = size_t(layout_.width) * (format_ == FrameFormat::Yuy2 ? 2 : 1);
    if (format_ == FrameFormat::Mjpg || format_ == FrameFormat::Other ||
        (yuv && (layout_.bytesPerLine == 0 || layout_.bytesPerLine == tight))) {
        onFrame_(data, used, layout_.width, layout_.height);
        return;
    }
    const int rows = packV4l2Frame(layout_, data, used, converted_);
    if (rows > 0) onFrame_(converted_.data(), converted_.size(), layout_.width, rows);
}

int packV4l2Frame(const V4l2FrameLayout& layout, const uint8_t* data, size_t used, std::vector<uint8_t>& out) {
    const size_t w = static_cast<size_t>(std::max(layout.width, 0));
    const size_t h = static_cast<size_t>(std::max(layout.height, 0));
    const bool rgb = layout.pixelFormat == V4L2_PIX_FMT_BGR24 || layout.pixelFormat == V4L2_PIX_FMT_RGB24;
    const bool i420 = layout.pixelFormat == V4L2_PIX_FMT_YUV420;
    const size_t rowOut = w * (rgb ? 3 : i420 ? 1 : 2);
    const size_t rowIn = std::max(layout.bytesPerLine, rowOut);
    // Copies `rows` rows of `width` bytes, `stride` apart, from data + at.
    auto copyRows = [&](size_t at, size_t rows, size_t width, size_t stride, uint8_t* to) {
        for (size_t r = 0; r < rows; ++r) std::memcpy(to + width * r, data + at + stride * r, width);
    };
    if (layout.pixelFormat == V4L2_PIX_FMT_YUYV) {
        if (h == 0 || used < rowIn * (h - 1) + rowOut) return 0;
        out.resize(rowOut * h);
        copyRows(0, h, rowOut, rowIn, out.data());
        return static_cast<int>(h);
    }
    if (i420) {
        // Chroma planes follow the luma plane, each with half the row length.
        const size_t chromaIn = rowIn / 2, chromaOut = w / 2, chromaRows = h / 2;
        const size_t uAt = rowIn * h, vAt = uAt + chromaIn * chromaRows;
        if (h < 2 || used < vAt + chromaIn * (chromaRows - 1) + chromaOut) return 0;
        out.resize(rowOut * h + 2 * chromaOut * chromaRows);
        copyRows(0, h, rowOut, rowIn, out.data());
        copyRows(uAt, chromaRows, chromaOut, chromaIn, out.data() + rowOut * h);
        copyRows(vAt, chromaRows, chromaOut, chromaIn, out.data() + rowOut * h + chromaOut * chromaRows);
        return static_cast<int>(h);
    }
    if (!rgb || rowOut == 0) return 0;
    // Uncompressed frames go out as 24-bit bottom-up B-G-R, like a bitmap.
    const size_t rows = std::min(h, used / rowIn);
    out.resize(rowOut * rows);
    for (size_t r = 0; r < rows; ++r) {
        const uint8_t* s = data + rowIn * r;
        uint8_t* d = out.data() + rowOut * (rows - 1 - r);
        if (layout.pixelFormat == V4L2_PIX_FMT_BGR24) {
            std::memcpy(d, s, rowOut);
        } else {
            for (size_t x = 0; x < w; ++x) {
                d[3 * x] = s[3 * x + 2];
                d[3 * x + 1] = s[3 * x + 1];
                d[3 * x + 2] = s[3 * x];
            }
        }
    }
    return static_cast<int>(rows);
}

std::vector<CameraControl> V4l2Camera::controls() {
    std::vector<CameraControl> out;
    if (fd_ < 0) return out;
    v4l2_queryctrl q{};
    q.id = V4L2_CTRL_FLAG_NEXT_CTRL;
    while (xioctl(fd_, VIDIOC_QUERYCTRL, &q) == 0) {
        const uint32_t id = q.id;
        q.id |= V4L2_CTRL_FLAG_NEXT_CTRL;
        if (q.flags & V4L2_CTRL_FLAG_DISABLED) continue;
        CameraControl c;
        switch (q.type) {
            case V4L2_CTRL_TYPE_INTEGER: c.kind = CameraControl::Kind::Integer; break;
            case V4L2_CTRL_TYPE_BOOLEAN: c.kind = CameraControl::Kind::Boolean; break;
            case V4L2_CTRL_TYPE_MENU: c.kind = CameraControl::Kind::Menu; break;
            case V4L2_CTRL_TYPE_BUTTON: c.kind = CameraControl::Kind::Button; break;
            default: continue;  // class headers, strings, arrays: nothing to adjust here
        }
        c.id = id;
        c.name.assign(reinterpret_cast<const char*>(q.name), strnlen(reinterpret_cast<const char*>(q.name), sizeof q.name));
        c.minimum = q.minimum;
        c.maximum = q.maximum;
        c.step = q.step ? q.step : 1;
        c.defaultValue = q.default_value;
        v4l2_control value{};
        value.id = id;
        c.value = xioctl(fd_, VIDIOC_G_CTRL, &value) == 0 ? value.value : q.default_value;
        if (c.kind == CameraControl::Kind::Menu) {
            for (int i = q.minimum; i <= q.maximum; ++i) {
                v4l2_querymenu m{};
                m.id = id;
                m.index = static_cast<uint32_t>(i);
                if (xioctl(fd_, VIDIOC_QUERYMENU, &m) == 0) {
                    const char* label = reinterpret_cast<const char*>(m.name);
                    c.menu.emplace_back(i, std::string(label, strnlen(label, sizeof m.name)));
                }
            }
        }
        out.push_back(std::move(c));
    }
    return out;
}

int V4l2Camera::setControl(uint32_t id, int value) {
    if (fd_ < 0) return -EBADF;
    v4l2_control c{};
    c.id = id;
    c.value = value;
    return xioctl(fd_, VIDIOC_S_CTRL, &c);
}

CameraList listV4l2Cameras() {
    std::vector<std::string> nodes;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/dev", error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("video", 0) == 0) nodes.push_back(entry.path().string());
    }
    // /dev/video2 before /dev/video10.
    std::sort(nodes.begin(), nodes.end(), [](const std::string& a, const std::string& b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    CameraList cameras;
    for (const std::string& node : nodes) {
        int fd = ::open(node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        v4l2_capability cap{};
        const bool ok = xioctl(fd, VIDIOC_QUERYCAP, &cap) == 0;
        ::close(fd);
        const uint32_t caps = ok ? capabilitiesOf(cap) : 0;
        if ((caps & V4L2_CAP_VIDEO_CAPTURE) && (caps & V4L2_CAP_STREAMING)) {
            cameras.push_back(std::make_unique<V4l2Camera>(node, cardNameOf(cap)));
        }
    }
    return cameras;
}

}  // namespace tarvel
