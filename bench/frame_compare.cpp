// The traffic program's real frame drawn by the library and by Cairo, in one process, so that the
// ratio of the two holds on a noisy machine.
//
//   velta_frame_compare [--seed N] [--ticks N] [--frames N] [--rounds N]
//
// The street grid and its vehicles come from a seeded run of the simulation on the headless
// backend (the event loop of simulation_run, stopped after --ticks ticks). The library draws the
// frame the program draws (RoadNetwork::draw through the Display) and copies it once to the
// graphics window's surface (velta_show). Cairo (an image surface of the same size, 601 x 540,
// CAIRO_FORMAT_RGB24, CAIRO_ANTIALIAS_NONE) draws the same primitives in the same order and
// colours, read back from the library's log of that frame, and its picture is copied once, row by
// row, into a buffer of the window surface's size. Each round times both in turn; the medians are
// printed, with the pixels in which the two pictures differ.
//
// Cairo is used by this benchmark only.
#include <cairo.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "library_state.h"
#include "platform/gdi.h"
#include "platform/headless/headless.h"
#include "sim/sim.h"
#include "velta/velta.h"

namespace {

struct Options {
    unsigned seed = 1;
    int ticks = 2000;
    int frames = 2000;
    int rounds = 7;
    const char* dump = nullptr;  // writes <dump>-velta.ppm, -cairo.ppm and -diff.ppm
};

// One primitive of the frame in pixel coordinates of the image: a rectangle [left, right) x
// [top, bottom) or a triangle through three pixel centres; width 0 fills.
struct Primitive {
    bool triangle = false;
    int colour = 0;
    int width = 0;
    int x[3] = {};
    int y[3] = {};
};

int colour_named(const char* name, std::size_t length) {
    for (int i = 0; i < VELTA_COLORS; ++i)
        if (std::strlen(palette[i].name) == length &&
            std::strncmp(palette[i].name, name, length) == 0)
            return i;
    return -1;
}

// Reads one line of the library's drawing log ("<colour> rectangle with bounding box (x1,y1) to
// (x2,y2), filled", "... with line width w", "<colour> triangle at (a,b), (c,d), (e,f)") and
// maps its logical coordinates to the image's pixels as the library does.
bool parse_line(const std::string& line, Primitive* p) {
    std::size_t space = line.find(' ');
    if (space == std::string::npos) return false;
    p->colour = colour_named(line.c_str(), space);
    if (p->colour < 0) return false;
    const char* rest = line.c_str() + space + 1;
    int ox = velta_state.origin_x, oy = velta_state.origin_y;
    int x1, y1, x2, y2, x3, y3, w;
    if (std::sscanf(rest, "triangle at (%d,%d), (%d,%d), (%d,%d)", &x1, &y1, &x2, &y2, &x3, &y3) ==
        6) {
        p->triangle = true;
        p->width = 0;
        int xs[3] = {x1, x2, x3}, ys[3] = {y1, y2, y3};
        for (int i = 0; i < 3; ++i) {
            p->x[i] = ox + xs[i];
            p->y[i] = oy - ys[i];
        }
        return true;
    }
    if (std::sscanf(rest, "rectangle with bounding box (%d,%d) to (%d,%d)", &x1, &y1, &x2, &y2) !=
        4)
        return false;
    p->triangle = false;
    if (std::strstr(rest, ", filled") != nullptr)
        p->width = 0;
    else if (const char* at = std::strstr(rest, "with line width ");
             at && std::sscanf(at, "with line width %d", &w) == 1)
        p->width = w;
    else
        return false;
    p->x[0] = ox + x1;
    p->y[0] = oy - y1;
    p->x[1] = ox + x2 + 1;
    p->y[1] = oy - y2 + 1;
    return true;
}

std::vector<std::string> console_lines() {
    std::vector<std::string> out;
    int start = velta_ring_start();
    if (start < 0) return out;
    int slot = start;
    do {
        if (const char* text = velta_console_slot(slot)) out.emplace_back(text);
        slot = (slot + 1) % kRingSlots;
    } while (slot != velta_ring_next() && slot != start);
    return out;
}

// What one object logs when drawn. Each object logs at most a handful of lines, well inside the
// console's ring of 25.
template <typename Drawable>
bool capture(Drawable& object, Display& display, std::vector<Primitive>* out) {
    velta_console_reset();
    object.draw(display);
    std::vector<std::string> lines = console_lines();
    if (lines.size() >= static_cast<std::size_t>(kRingSlots)) return false;
    for (const std::string& line : lines) {
        Primitive p;
        if (!parse_line(line, &p)) {
            std::fprintf(stderr, "unreadable drawing log line: %s", line.c_str());
            return false;
        }
        out->push_back(p);
    }
    return true;
}

// The primitives of RoadNetwork::draw in its order: each element in list order, a road's own two
// rectangles (drawn by a road with the same end points and no vehicles) and then its vehicles.
bool capture_frame(RoadNetwork& network, Display& display, std::vector<Primitive>* out) {
    velta_set_logging(1);
    bool ok = true;
    for (NetworkElement* element : network.elements()) {
        if (Road* road = dynamic_cast<Road*>(element)) {
            Road bare;
            bare.set_endpoint(road->end_point(0), 0);
            bare.set_endpoint(road->end_point(1), 1);
            ok = ok && capture(bare, display, out);
            for (const Road::QueueNode* n = road->queue_head(); n && ok; n = n->next)
                ok = capture(*n->vehicle, display, out);
        } else {
            ok = ok && capture(*element, display, out);
        }
    }
    velta_set_logging(0);
    return ok;
}

// ---- Cairo ----

void cairo_colour(cairo_t* cr, int colour) {
    const PaletteEntry& e = palette[colour];
    cairo_set_source_rgb(cr, e.red / 255.0, e.green / 255.0, e.blue / 255.0);
}

// Rectangles fill their pixels exactly; an outline of width w is stroked along the pixel centres of
// its border. A triangle's path runs through its vertices' pixel centres and is filled and then
// outlined one pixel wide in the same colour, as the library's pen of width 0 does.
void cairo_draw(cairo_t* cr, const std::vector<Primitive>& frame) {
    for (const Primitive& p : frame) {
        cairo_colour(cr, p.colour);
        if (p.triangle) {
            cairo_move_to(cr, p.x[0] + 0.5, p.y[0] + 0.5);
            cairo_line_to(cr, p.x[1] + 0.5, p.y[1] + 0.5);
            cairo_line_to(cr, p.x[2] + 0.5, p.y[2] + 0.5);
            cairo_close_path(cr);
            cairo_fill_preserve(cr);
            cairo_set_line_width(cr, 1.0);
            cairo_stroke(cr);
        } else if (p.width == 0) {
            cairo_rectangle(cr, p.x[0], p.y[0], p.x[1] - p.x[0], p.y[1] - p.y[0]);
            cairo_fill(cr);
        } else {
            double inset = p.width / 2.0;
            cairo_rectangle(cr, p.x[0] + inset, p.y[0] + inset, p.x[1] - p.x[0] - p.width,
                            p.y[1] - p.y[0] - p.width);
            cairo_set_line_width(cr, p.width);
            cairo_stroke(cr);
        }
    }
}

// One copy of the picture into a buffer of the window surface's size, as the library's copy does.
void cairo_copy(cairo_surface_t* image, std::vector<std::uint32_t>& out, int width, int height) {
    cairo_surface_flush(image);
    const unsigned char* data = cairo_image_surface_get_data(image);
    int stride = cairo_image_surface_get_stride(image);
    std::size_t row_bytes = static_cast<std::size_t>(width) * 4;
    for (int row = 0; row < height; ++row)
        std::memcpy(&out[static_cast<std::size_t>(row) * static_cast<std::size_t>(width)],
                    data + static_cast<std::size_t>(row) * static_cast<std::size_t>(stride),
                    row_bytes);
    cairo_surface_mark_dirty(image);
}

// Writes a picture as a binary PPM; pixel(x, y) gives 0x00RRGGBB.
template <typename Pixel>
void write_ppm(const std::string& path, int width, int height, Pixel pixel) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return;
    std::fprintf(f, "P6\n%d %d\n255\n", width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint32_t c = pixel(x, y);
            unsigned char rgb[3] = {static_cast<unsigned char>(c >> 16),
                                    static_cast<unsigned char>(c >> 8),
                                    static_cast<unsigned char>(c)};
            std::fwrite(rgb, 1, 3, f);
        }
    std::fclose(f);
}

// The timed loops, kept out of line so that bench/instructions can count each with callgrind.
[[gnu::noinline]] void velta_frames(RoadNetwork& network, Display& display, int frames) {
    for (int i = 0; i < frames; ++i) {
        network.draw(display);
        velta_show();
    }
}

[[gnu::noinline]] void cairo_frames(cairo_t* cr, const std::vector<Primitive>& frame,
                                    cairo_surface_t* surface, std::vector<std::uint32_t>& window,
                                    int width, int height, int frames) {
    for (int i = 0; i < frames; ++i) {
        cairo_draw(cr, frame);
        cairo_copy(surface, window, width, height);
    }
}

double seconds_now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    std::size_t n = v.size();
    return n == 0 ? 0 : (n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2);
}

// Stops the seeded run after the given number of ticks.
class StopAfter : public LoopObserver {
  public:
    explicit StopAfter(int ticks) : ticks_(ticks) {}
    void after_event(RoadNetwork&, int kind, int ticks) override {
        if (kind == EVENT_PERIODIC && ticks >= ticks_) plat::post_quit_message(0);
    }

  private:
    int ticks_;
};

int vehicle_count(RoadNetwork& network) {
    int n = 0;
    for (NetworkElement* element : network.elements())
        if (Road* road = dynamic_cast<Road*>(element)) n += road->size();
    return n;
}

bool parse_int(const char* text, int min, int* out) {
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || v < min || v > 100'000'000) return false;
    *out = static_cast<int>(v);
    return true;
}

int run(const Options& opt) {
    velta_reset_for_tests();
    plat::headless::reset(1024, 768);
    sim_seed(opt.seed);
    Display display;
    display.clear(kWhite);
    display.set_animation(ANIMATION_RUN);
    RoadNetwork network;
    build_layout(&network);
    StopAfter stop(opt.ticks);
    run_event_loop(display, network, &stop);
    velta_state.logging = 0;

    std::vector<Primitive> frame;
    if (!capture_frame(network, display, &frame)) {
        std::fprintf(stderr, "the frame's drawing log could not be read\n");
        return 1;
    }

    const plat::Surface& window = plat::headless::surface(velta_state.graphics);
    const plat::Surface* image = plat::dc_surface(velta_state.memory_dc);
    if (image == nullptr || image->width != kImageWidth || image->height != kImageHeight) {
        std::fprintf(stderr, "the library's image is not %d x %d\n", kImageWidth, kImageHeight);
        return 1;
    }
    int copy_w = std::min(window.width, kImageWidth);
    int copy_h = std::min(window.height, kImageHeight);

    cairo_surface_t* surface =
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, kImageWidth, kImageHeight);
    cairo_t* cr = cairo_create(surface);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    std::vector<std::uint32_t> cairo_window(static_cast<std::size_t>(copy_w) *
                                            static_cast<std::size_t>(copy_h));

    // Both pictures from the library's cleared image (white, with the edge that clearing leaves),
    // then compared pixel by pixel over the whole image.
    display.clear(kWhite);
    {
        cairo_surface_flush(surface);
        unsigned char* data = cairo_image_surface_get_data(surface);
        int stride = cairo_image_surface_get_stride(surface);
        for (int y = 0; y < kImageHeight; ++y)
            std::memcpy(data + y * stride,
                        &image->pixels[static_cast<std::size_t>(y) * kImageWidth],
                        static_cast<std::size_t>(kImageWidth) * 4);
        cairo_surface_mark_dirty(surface);
    }
    network.draw(display);
    velta_show();
    cairo_draw(cr, frame);
    cairo_copy(surface, cairo_window, copy_w, copy_h);
    long differing = 0;
    {
        cairo_surface_flush(surface);
        const unsigned char* data = cairo_image_surface_get_data(surface);
        int stride = cairo_image_surface_get_stride(surface);
        for (int y = 0; y < kImageHeight; ++y) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(data + y * stride);
            for (int x = 0; x < kImageWidth; ++x)
                if ((row[x] & 0x00FFFFFF) != (image->at(x, y) & 0x00FFFFFF)) ++differing;
        }
    }
    if (opt.dump != nullptr) {
        const unsigned char* data = cairo_image_surface_get_data(surface);
        int stride = cairo_image_surface_get_stride(surface);
        auto cairo_at = [&](int x, int y) {
            return reinterpret_cast<const std::uint32_t*>(data + y * stride)[x] & 0x00FFFFFF;
        };
        auto velta_at = [&](int x, int y) { return image->at(x, y) & 0x00FFFFFF; };
        std::string prefix = opt.dump;
        write_ppm(prefix + "-velta.ppm", kImageWidth, kImageHeight, velta_at);
        write_ppm(prefix + "-cairo.ppm", kImageWidth, kImageHeight, cairo_at);
        // Differences in magenta where only Cairo drew a colour, the rest dimmed.
        write_ppm(prefix + "-diff.ppm", kImageWidth, kImageHeight, [&](int x, int y) {
            return cairo_at(x, y) != velta_at(x, y) ? 0x00FF00FFu
                                                    : (velta_at(x, y) >> 2) & 0x003F3F3Fu;
        });
    }
    bool copies_match = true;
    for (int y = 0; y < copy_h && copies_match; ++y)
        for (int x = 0; x < copy_w; ++x)
            if (window.at(x, y) != image->at(x, y)) copies_match = false;

    int rects = 0, tris = 0;
    for (const Primitive& p : frame) (p.triangle ? tris : rects)++;
    std::printf("frame: seed %u after %d ticks, %d vehicles, %d rectangles and %d triangles\n",
                opt.seed, opt.ticks, vehicle_count(network), rects, tris);
    std::printf("image %d x %d, copied %d x %d to the window surface%s\n", kImageWidth,
                kImageHeight, copy_w, copy_h, copies_match ? "" : " (COPY DIFFERS)");

    std::vector<double> velta_fps, cairo_fps, ratios;
    for (int round = 0; round < opt.rounds; ++round) {
        double t0 = seconds_now();
        velta_frames(network, display, opt.frames);
        double t1 = seconds_now();
        cairo_frames(cr, frame, surface, cairo_window, copy_w, copy_h, opt.frames);
        double t2 = seconds_now();
        double v = opt.frames / (t1 - t0), c = opt.frames / (t2 - t1);
        velta_fps.push_back(v);
        cairo_fps.push_back(c);
        ratios.push_back(v / c);
        std::printf("round %d: velta %.0f frame/s, cairo %.0f frame/s\n", round + 1, v, c);
    }
    std::printf("cairo frame/s (median of %d): %.0f\n", opt.rounds, median(cairo_fps));
    std::printf("velta frame/s (median of %d): %.0f\n", opt.rounds, median(velta_fps));
    std::printf("velta / cairo (median of the rounds' ratios): %.2f\n", median(ratios));
    std::printf("differing pixels: %ld of %d (%.3f %%)\n", differing, kImageWidth * kImageHeight,
                100.0 * static_cast<double>(differing) / (kImageWidth * kImageHeight));

    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    std::vector<NetworkElement*> elements = network.elements();
    destroy_elements(elements);
    return copies_match ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    Options opt;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        int value = 0;
        bool ok = i + 1 < argc;
        if (ok && arg == "--seed" && parse_int(argv[i + 1], 0, &value))
            opt.seed = static_cast<unsigned>(value);
        else if (ok && arg == "--ticks" && parse_int(argv[i + 1], 1, &value))
            opt.ticks = value;
        else if (ok && arg == "--frames" && parse_int(argv[i + 1], 1, &value))
            opt.frames = value;
        else if (ok && arg == "--rounds" && parse_int(argv[i + 1], 1, &value))
            opt.rounds = value;
        else if (ok && arg == "--dump")
            opt.dump = argv[i + 1];
        else {
            std::fprintf(stderr,
                         "usage: velta_frame_compare [--seed N] [--ticks N] [--frames N] "
                         "[--rounds N] [--dump PREFIX]\n");
            return 2;
        }
        ++i;
    }
    return run(opt);
}
