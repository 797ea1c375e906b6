// The kept copy of what a canvas shows, and putting it on the screen. The image is an XImage in
// the X visual's own 0x00RRGGBB layout, in a shared memory segment (MIT-SHM) where the server
// offers the extension and can attach the segment, otherwise in the process's memory for a plain
// XPutImage. With a visual of another layout the copy is kept as it is and converted for
// fl_draw_image inside FLTK's drawing.
#include <FL/Fl.H>
#include <FL/fl_draw.H>
#include <FL/x.H>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cstring>

#include "platform/fltk/fltk.h"

namespace plat {
namespace fltk {
namespace {

// True when the X visual stores pixels as 0x00RRGGBB in 32 bits, the surface's own layout, so the
// surface can be handed to the server as it is.
bool visual_matches_surface() {
    static int matches = -1;
    if (matches < 0) {
        const Visual* v = fl_visual != nullptr ? fl_visual->visual : nullptr;
        matches = v != nullptr && fl_visual->depth >= 24 && v->red_mask == 0xFF0000 &&
                  v->green_mask == 0x00FF00 && v->blue_mask == 0x0000FF;
    }
    return matches == 1;
}

int host_byte_order() {
    const std::uint16_t one = 1;
    return *reinterpret_cast<const unsigned char*>(&one) == 1 ? LSBFirst : MSBFirst;
}

bool refuse_attach = false;
// Cleared for good once the server has refused a segment (a server on another machine cannot
// reach our memory), so that later images go straight to the fallback.
bool shm_refused = false;

bool shm_offered() {
    static int offered = -1;
    if (offered < 0) offered = XShmQueryExtension(fl_display) ? 1 : 0;
    return offered == 1 && !shm_refused && visual_matches_surface();
}

int completion_type() {
    static int type = XShmGetEventBase(fl_display) + ShmCompletion;
    return type;
}

// The images whose last put the server has not yet reported complete.
std::vector<ScreenImage*>& live_images() {
    static std::vector<ScreenImage*> images;
    return images;
}

bool attach_failed = false;
int trap_error(::Display*, XErrorEvent*) {
    attach_failed = true;
    return 0;
}

// Asks the server to attach the segment, and waits for its answer: false when it refused.
bool server_attaches(XShmSegmentInfo* info) {
    int real_id = info->shmid;
    if (refuse_attach) info->shmid = -1;  // a segment that cannot exist
    XSync(fl_display, False);
    attach_failed = false;
    auto previous = XSetErrorHandler(trap_error);
    Status sent = XShmAttach(fl_display, info);
    XSync(fl_display, False);
    XSetErrorHandler(previous);
    info->shmid = real_id;
    return sent != 0 && !attach_failed;
}

}  // namespace

void refuse_shm_attach_for_testing(bool refuse) {
    refuse_attach = refuse;
    if (!refuse) shm_refused = false;
}

int ScreenImage::handle_system_event(void* event, void*) {
    const auto* e = static_cast<const XEvent*>(event);
    if (fl_display == nullptr || e->type != completion_type()) return 0;
    const auto* done = reinterpret_cast<const XShmCompletionEvent*>(e);
    for (ScreenImage* image : live_images())
        if (image->shared_ && image->shm_.shmseg == done->shmseg) image->in_flight_ = false;
    return 1;  // ours, also for an image that is gone
}

ScreenImage::ScreenImage() {
    static bool handler = [] {
        Fl::add_system_handler(handle_system_event, nullptr);
        return true;
    }();
    static_cast<void>(handler);
    live_images().push_back(this);
}

ScreenImage::~ScreenImage() {
    release();
    auto& images = live_images();
    images.erase(std::remove(images.begin(), images.end(), this), images.end());
}

void ScreenImage::release() {
    if (shared_) {
        // The server detaches when it reaches this request, after any put still reading the
        // segment; the segment was marked for removal when it was attached, so it goes once both
        // sides have let go.
        XShmDetach(fl_display, &shm_);
        image_->data = nullptr;
        XDestroyImage(image_);
        shmdt(shm_.shmaddr);
        shm_ = XShmSegmentInfo{};
    } else if (image_ != nullptr) {
        image_->data = nullptr;  // pixels_ owns them
        XDestroyImage(image_);
    }
    image_ = nullptr;
    shared_ = false;
    in_flight_ = false;
    pixels_.clear();
    width_ = height_ = 0;
}

bool ScreenImage::allocate_shared(int width, int height) {
    XImage* image = XShmCreateImage(
        fl_display, fl_visual->visual, static_cast<unsigned>(fl_visual->depth), ZPixmap, nullptr,
        &shm_, static_cast<unsigned>(width), static_cast<unsigned>(height));
    if (image == nullptr) return false;
    if (image->bits_per_pixel != 32) {
        XDestroyImage(image);
        return false;
    }
    std::size_t bytes =
        static_cast<std::size_t>(image->bytes_per_line) * static_cast<std::size_t>(height);
    shm_.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (shm_.shmid < 0) {
        XDestroyImage(image);
        return false;
    }
    void* address = shmat(shm_.shmid, nullptr, 0);
    bool attached = false;
    if (address != reinterpret_cast<void*>(-1)) {
        shm_.shmaddr = static_cast<char*>(address);
        shm_.readOnly = False;
        attached = server_attaches(&shm_);
        if (!attached) {
            shm_refused = true;
            shmdt(address);
        }
    }
    // Both sides hold the segment now (or neither does): it is freed once they detach, however
    // the program ends.
    shmctl(shm_.shmid, IPC_RMID, nullptr);
    if (!attached) {
        XDestroyImage(image);  // its data pointer is still null
        shm_ = XShmSegmentInfo{};
        return false;
    }
    image->data = shm_.shmaddr;
    image->byte_order = host_byte_order();
    image_ = image;
    shared_ = true;
    return true;
}

void ScreenImage::allocate(int width, int height) {
    release();
    width_ = width;
    height_ = height;
    if (width <= 0 || height <= 0) return;
    if (shm_offered() && allocate_shared(width, height)) return;
    pixels_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    if (!visual_matches_surface()) return;
    XImage* image =
        XCreateImage(fl_display, fl_visual->visual, static_cast<unsigned>(fl_visual->depth),
                     ZPixmap, 0, reinterpret_cast<char*>(pixels_.data()),
                     static_cast<unsigned>(width), static_cast<unsigned>(height), 32, width * 4);
    if (image == nullptr) return;
    if (image->bits_per_pixel != 32) {
        image->data = nullptr;
        XDestroyImage(image);
        return;
    }
    // The buffer is in host order; Xlib converts if the server's order differs.
    image->byte_order = host_byte_order();
    image_ = image;
}

void ScreenImage::wait_for_server() {
    if (!in_flight_) return;
    // Servers read the segment while they handle the put, so once the server has answered a later
    // request the segment is free; its completion event has then arrived too, unless FLTK has
    // handled it already, and is dropped here. Waiting for the event itself could block for ever
    // if anything else took it off the queue.
    XSync(fl_display, False);
    XEvent event;
    auto ours = [](::Display*, XEvent* e, XPointer arg) -> Bool {
        const auto* self = reinterpret_cast<const ScreenImage*>(arg);
        return e->type == completion_type() &&
               reinterpret_cast<const XShmCompletionEvent*>(e)->shmseg == self->shm_.shmseg;
    };
    while (XCheckIfEvent(fl_display, &event, ours, reinterpret_cast<XPointer>(this))) {
    }
    in_flight_ = false;
}

void ScreenImage::store(const Surface& surface, int scale) {
    if (scale < 1) scale = 1;
    if (surface.width * scale != width_ || surface.height * scale != height_ ||
        (image_ == nullptr && pixels_.empty()))
        allocate(surface.width * scale, surface.height * scale);
    if (width_ <= 0 || height_ <= 0) return;
    wait_for_server();
    std::size_t row_bytes = static_cast<std::size_t>(width_) * 4;
    if (scale > 1) {
        // Each pixel a scale x scale block: a row widened once, then written scale times.
        auto* base = shared_ ? reinterpret_cast<std::uint8_t*>(shm_.shmaddr)
                             : reinterpret_cast<std::uint8_t*>(pixels_.data());
        std::size_t stride = shared_ ? static_cast<std::size_t>(image_->bytes_per_line) : row_bytes;
        for (int row = 0; row < surface.height; ++row) {
            auto* wide = reinterpret_cast<std::uint32_t*>(base + static_cast<std::size_t>(row) *
                                                                     scale * stride);
            const std::uint32_t* source =
                &surface.pixels[static_cast<std::size_t>(row) * surface.width];
            for (int x = 0; x < surface.width; ++x)
                std::fill_n(wide + static_cast<std::size_t>(x) * scale, scale, source[x]);
            for (int copy = 1; copy < scale; ++copy)
                std::memcpy(base + (static_cast<std::size_t>(row) * scale + copy) * stride, wide,
                            row_bytes);
        }
        return;
    }
    if (shared_) {
        for (int row = 0; row < height_; ++row)
            std::memcpy(shm_.shmaddr + static_cast<std::size_t>(row) *
                                           static_cast<std::size_t>(image_->bytes_per_line),
                        &surface.pixels[static_cast<std::size_t>(row) * width_], row_bytes);
    } else {
        std::memcpy(pixels_.data(), surface.pixels.data(), row_bytes * height_);
    }
}

bool ScreenImage::direct() const {
    return image_ != nullptr;
}

void ScreenImage::put(::Drawable drawable, GC gc, int x, int y, int width, int height) {
    width = std::min(width, width_);
    height = std::min(height, height_);
    if (width <= 0 || height <= 0) return;
    ++puts_;
    if (shared_) {
        XShmPutImage(fl_display, drawable, gc, image_, 0, 0, x, y, static_cast<unsigned>(width),
                     static_cast<unsigned>(height), True);
        in_flight_ = true;
    } else if (image_ != nullptr) {
        XPutImage(fl_display, drawable, gc, image_, 0, 0, x, y, static_cast<unsigned>(width),
                  static_cast<unsigned>(height));
    }
}

void ScreenImage::draw_converted(int x, int y, int width, int height) {
    width = std::min(width, width_);
    height = std::min(height, height_);
    if (width <= 0 || height <= 0 || pixels_.empty()) return;
    ++puts_;
    std::vector<uchar> rgb(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
    for (int row = 0; row < height; ++row) {
        for (int col = 0; col < width; ++col) {
            std::uint32_t c = pixels_[static_cast<std::size_t>(row) * width_ + col];
            uchar* out = &rgb[(static_cast<std::size_t>(row) * width + col) * 3];
            out[0] = static_cast<uchar>(c >> 16);
            out[1] = static_cast<uchar>(c >> 8);
            out[2] = static_cast<uchar>(c);
        }
    }
    fl_draw_image(rgb.data(), x, y, width, height, 3);
}

}  // namespace fltk
}  // namespace plat
