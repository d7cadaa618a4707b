#include "tools/sheetgen/sheet_art.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "animation/atlas_tables.h"

const SheetColour kSheetPalette[16] = {
    {0, 0, 0},       {64, 32, 64},    {80, 64, 96},    {128, 112, 144},
    {176, 176, 208}, {144, 48, 48},   {208, 80, 80},   {224, 160, 176},
    {192, 96, 128},  {176, 144, 32},  {224, 208, 112}, {112, 64, 48},
    {160, 112, 96},  {208, 144, 112}, {240, 208, 192}, {240, 240, 240},
};

const SheetCell kSheetCells[kSheetCellCount] = {
    {0, 0, 128, 136, 5, 120, 12, 131},      {128, 0, 128, 136, 15, 108, 12, 133},
    {256, 0, 128, 136, 29, 96, 1, 132},     {384, 0, 128, 136, 39, 102, 2, 134},
    {512, 0, 128, 136, 16, 114, 4, 134},    {640, 0, 128, 136, 32, 95, 2, 132},
    {768, 0, 128, 136, 40, 103, 5, 132},    {896, 0, 128, 136, 19, 112, 12, 131},
    {1024, 0, 128, 136, 20, 109, 14, 135},  {896, 136, 128, 136, 7, 122, 12, 131},
    {768, 136, 128, 136, 19, 112, 12, 133}, {640, 136, 128, 136, 31, 98, 1, 132},
    {512, 136, 128, 136, 25, 88, 2, 134},   {384, 136, 128, 136, 13, 111, 4, 134},
    {256, 136, 128, 136, 32, 95, 2, 132},   {128, 136, 128, 136, 24, 87, 5, 132},
    {0, 136, 128, 136, 15, 108, 12, 131},   {0, 272, 176, 168, 46, 160, 35, 139},
    {176, 272, 176, 168, 14, 100, 37, 144}, {352, 272, 176, 168, 14, 98, 34, 144},
    {528, 272, 176, 168, 35, 134, 11, 138}, {704, 272, 176, 168, 1, 171, 49, 162},
    {880, 272, 176, 168, 10, 157, 86, 148}, {1056, 272, 176, 168, 14, 155, 87, 147},
    {352, 440, 176, 168, 14, 128, 35, 139}, {176, 440, 176, 168, 74, 160, 37, 144},
    {0, 440, 176, 168, 76, 160, 34, 144},   {1056, 440, 176, 168, 40, 139, 11, 138},
    {880, 440, 176, 168, 3, 173, 49, 162},  {704, 440, 176, 168, 17, 164, 86, 148},
    {528, 440, 176, 168, 19, 160, 87, 147}, {0, 608, 128, 136, 21, 102, 20, 133},
    {128, 608, 128, 136, 32, 89, 15, 134},  {256, 608, 128, 136, 35, 93, 12, 135},
    {384, 608, 128, 136, 35, 98, 12, 135},  {512, 608, 128, 136, 15, 112, 0, 132},
    {0, 744, 160, 160, 34, 159, 7, 159},    {160, 744, 160, 160, 34, 159, 7, 159},
    {320, 744, 160, 160, 0, 125, 7, 159},   {480, 744, 160, 160, 0, 125, 7, 159},
};

namespace {

// ---------------------------------------------------------------------------------------------
// Geometry: points, joints and outlines as polygons.

struct P {
    double x = 0, y = 0;
};
P operator+(P a, P b) { return {a.x + b.x, a.y + b.y}; }
P operator-(P a, P b) { return {a.x - b.x, a.y - b.y}; }
P operator*(P a, double s) { return {a.x * s, a.y * s}; }

using Poly = std::vector<P>;

constexpr double kPi = std::numbers::pi;

P Turn(P p, double degrees) {
    const double r = degrees * kPi / 180.0;
    const double c = std::cos(r), s = std::sin(r);
    return {p.x * c - p.y * s, p.x * s + p.y * c};
}

// A joint of the puppet: a place on the cell and a direction. Positive angles turn clockwise
// on the screen, so a limb hanging down (+y) swings backward (-x) as its angle grows.
struct Joint {
    P origin;
    double angle = 0;
    P At(P local) const { return origin + Turn(local, angle); }
    Joint Child(P local, double turn) const { return {At(local), angle + turn}; }
    Poly Place(const Poly& local) const {
        Poly out;
        out.reserve(local.size());
        for (P p : local) out.push_back(At(p));
        return out;
    }
};

Poly Ellipse(P c, double rx, double ry, double rotation = 0, int n = 48) {
    Poly out;
    for (int i = 0; i < n; ++i) {
        const double a = 2 * kPi * i / n;
        out.push_back(c + Turn({rx * std::cos(a), ry * std::sin(a)}, rotation));
    }
    return out;
}

Poly Circle(P c, double r) { return Ellipse(c, r, r); }

// A rounded limb from a (radius ra) to b (radius rb).
Poly Capsule(P a, P b, double ra, double rb) {
    const P d = b - a;
    const double len = std::hypot(d.x, d.y);
    const P u = len > 1e-9 ? d * (1.0 / len) : P{0, 1};
    const double base = std::atan2(u.y, u.x);
    Poly out;
    constexpr int kSteps = 12;
    for (int i = 0; i <= kSteps; ++i) {
        const double t = base - kPi / 2 + kPi * i / kSteps;
        out.push_back(b + P{std::cos(t), std::sin(t)} * rb);
    }
    for (int i = 0; i <= kSteps; ++i) {
        const double t = base + kPi / 2 + kPi * i / kSteps;
        out.push_back(a + P{std::cos(t), std::sin(t)} * ra);
    }
    return out;
}

Poly Mirrored(const Poly& half) {
    // A left-right symmetric outline from its right half (listed top to bottom).
    Poly out = half;
    for (auto it = half.rbegin(); it != half.rend(); ++it) out.push_back({-it->x, it->y});
    return out;
}

// ---------------------------------------------------------------------------------------------
// Pixels: coverage masks, cell images and the painting of one part.

struct Mask {
    int w, h;
    std::vector<uint8_t> on;
    Mask(int width, int height) : w(width), h(height), on(static_cast<size_t>(width * height), 0) {}
    bool At(int x, int y) const { return x >= 0 && y >= 0 && x < w && y < h && on[y * w + x]; }
    void Set(int x, int y, uint8_t v) {
        if (x >= 0 && y >= 0 && x < w && y < h) on[y * w + x] = v;
    }
    // Pixels whose centres lie inside the polygon (even-odd rule).
    void Fill(const Poly& poly, uint8_t value) {
        if (poly.size() < 3) return;
        double top = 1e9, bottom = -1e9;
        for (P p : poly) top = std::min(top, p.y), bottom = std::max(bottom, p.y);
        const int y0 = std::max(0, static_cast<int>(std::floor(top)));
        const int y1 = std::min(h - 1, static_cast<int>(std::ceil(bottom)));
        std::vector<double> xs;
        for (int y = y0; y <= y1; ++y) {
            const double yc = y + 0.5;
            xs.clear();
            for (size_t i = 0; i < poly.size(); ++i) {
                const P a = poly[i], b = poly[(i + 1) % poly.size()];
                if ((a.y <= yc) != (b.y <= yc))
                    xs.push_back(a.x + (yc - a.y) * (b.x - a.x) / (b.y - a.y));
            }
            std::sort(xs.begin(), xs.end());
            for (size_t k = 0; k + 1 < xs.size(); k += 2) {
                const int xa = std::max(0, static_cast<int>(std::ceil(xs[k] - 0.5)));
                const int xb = std::min(w - 1, static_cast<int>(std::ceil(xs[k + 1] - 0.5)) - 1);
                for (int x = xa; x <= xb; ++x) on[y * w + x] = value;
            }
        }
    }
    Mask& Add(const Poly& poly) {
        Fill(poly, 1);
        return *this;
    }
    Mask& Cut(const Poly& poly) {
        Fill(poly, 0);
        return *this;
    }
    // Where round shapes meet, single pixels can fall between them; they belong inside.
    void FillPinholes() {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (!At(x, y) && At(x - 1, y) + At(x + 1, y) + At(x, y - 1) + At(x, y + 1) >= 3)
                    on[y * w + x] = 1;
    }
};

struct Image {
    int w, h;
    std::vector<uint8_t> px;
    Image(int width, int height)
        : w(width), h(height), px(static_cast<size_t>(width * height), 0) {}
    uint8_t Get(int x, int y) const {
        return (x >= 0 && y >= 0 && x < w && y < h) ? px[y * w + x] : 0;
    }
    void Put(int x, int y, uint8_t c) {
        if (x >= 0 && y >= 0 && x < w && y < h) px[y * w + x] = c;
    }
};

constexpr uint8_t kInk = 1;

// Flat colours of one material: base, a shadow on the side away from the light, an optional
// highlight on the lit rim, and the dark outline around the part.
struct Material {
    uint8_t base, shade, light;
    bool outline;
};

// Light comes from the upper front (the right of a right-facing figure).
struct Shading {
    int shadeX = -3, shadeY = 3;
    int lightX = 2, lightY = -2;
};

void Paint(Image& img, const Mask& m, Material mat, Shading s = {}) {
    for (int y = 0; y < m.h; ++y) {
        for (int x = 0; x < m.w; ++x) {
            if (!m.At(x, y)) continue;
            const bool edge =
                !m.At(x - 1, y) || !m.At(x + 1, y) || !m.At(x, y - 1) || !m.At(x, y + 1);
            uint8_t c = mat.base;
            if (mat.outline && edge)
                c = kInk;
            else if (!m.At(x + s.shadeX, y + s.shadeY))
                c = mat.shade;
            else if (mat.light && !m.At(x + s.lightX, y + s.lightY))
                c = mat.light;
            img.Put(x, y, c);
        }
    }
}

void Paint(Image& img, std::initializer_list<Poly> polys, Material mat, Shading s = {}) {
    Mask m(img.w, img.h);
    for (const Poly& p : polys) m.Add(p);
    Paint(img, m, mat, s);
}

// Plain colour with no outline or shading: eyes, blush, small marks.
void Ink(Image& img, const Poly& poly, uint8_t colour) {
    Mask m(img.w, img.h);
    m.Add(poly);
    for (int y = 0; y < m.h; ++y)
        for (int x = 0; x < m.w; ++x)
            if (m.At(x, y)) img.Put(x, y, colour);
}

void Dot(Image& img, P p, uint8_t colour) {
    img.Put(static_cast<int>(std::floor(p.x)), static_cast<int>(std::floor(p.y)), colour);
}

// A one-pixel line; with a clip mask it only touches the mask's inner pixels.
void Line(Image& img, P a, P b, uint8_t colour, const Mask* clip = nullptr) {
    const int steps =
        static_cast<int>(std::ceil(std::max(std::fabs(b.x - a.x), std::fabs(b.y - a.y)))) + 1;
    for (int i = 0; i <= steps; ++i) {
        const P p = a + (b - a) * (static_cast<double>(i) / steps);
        const int x = static_cast<int>(std::floor(p.x)), y = static_cast<int>(std::floor(p.y));
        if (clip && (!clip->At(x, y) || img.Get(x, y) == kInk)) continue;
        img.Put(x, y, colour);
    }
}

void Polyline(Image& img, const Poly& pts, uint8_t colour, const Mask* clip = nullptr) {
    for (size_t i = 0; i + 1 < pts.size(); ++i) Line(img, pts[i], pts[i + 1], colour, clip);
}

// A thick open stroke along a polyline, as one outline.
Poly StrokeArc(P c, double rx, double ry, double from, double to, double width,
               double rotation = 0) {
    Poly outer, inner;
    const int n = 40;
    for (int i = 0; i <= n; ++i) {
        const double a = (from + (to - from) * i / n) * kPi / 180.0;
        outer.push_back(
            c + Turn({(rx + width / 2) * std::cos(a), (ry + width / 2) * std::sin(a)}, rotation));
        inner.push_back(
            c + Turn({(rx - width / 2) * std::cos(a), (ry - width / 2) * std::sin(a)}, rotation));
    }
    Poly out = outer;
    for (auto it = inner.rbegin(); it != inner.rend(); ++it) out.push_back(*it);
    return out;
}

Poly Star(P c, int points, double outer, double inner, double rotation, double squash = 1.0) {
    Poly out;
    for (int i = 0; i < points * 2; ++i) {
        const double r = (i % 2 == 0) ? outer : inner;
        const double a = (rotation + 180.0 * i / points) * kPi / 180.0;
        out.push_back(c + P{r * std::cos(a), r * std::sin(a) * squash});
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// Materials: two or three flat tones each.

constexpr Material kSkin{14, 13, 0, true};
constexpr Material kSkinFar{13, 13, 0, true};
constexpr Material kHair{10, 9, 0, true};
constexpr Material kRibbon{7, 8, 0, true};
constexpr Material kBlouse{15, 4, 0, true};
constexpr Material kBlouseFar{4, 3, 0, true};
constexpr Material kSkirt{3, 2, 4, true};
constexpr Material kSock{15, 4, 0, true};
constexpr Material kSockFar{4, 3, 0, true};
constexpr Material kShoe{12, 11, 0, true};
constexpr Material kShoeFar{11, 11, 0, true};
constexpr Material kRed{6, 5, 7, true};
constexpr Material kTrunks{3, 2, 4, true};
constexpr Material kSmoke{15, 4, 0, true};
constexpr Material kGold{10, 9, 15, true};
constexpr Material kWhite{15, 4, 0, true};

enum class Eyes { Open, Wide, Happy, Dizzy, Shut };

// One eye of a face drawn on the cell: e is its centre, narrow for the far eye of a side view.
void DrawEye(Image& img, P e, Eyes eyes, bool narrow, bool outerLeft = true) {
    const double rx = narrow ? 1.2 : 3.0;
    const double o = outerLeft ? 1.0 : -1.0;
    switch (eyes) {
        case Eyes::Open:
        case Eyes::Wide: {
            const double ry = eyes == Eyes::Wide ? 5.4 : 4.9;
            Ink(img, Ellipse(e, rx, ry), kInk);
            if (!narrow) {
                Ink(img, Ellipse(e + P{0.2, 2.0}, rx - 1.0, ry - 2.4), 11);
                Dot(img, e + P{-1.0, -2.6}, 15);
                Dot(img, e + P{0.0, -2.6}, 15);
                Dot(img, e + P{-1.0, -1.6}, 15);
                Dot(img, e + P{1.0, 2.6}, 15);
            }
            Ink(img,
                Capsule(e + P{o * (-rx - 0.4), -ry + 0.6}, e + P{o * (rx + 0.1), -ry + 0.6}, 0.75,
                        0.75),
                kInk);
            Ink(img,
                Capsule(e + P{o * (-rx - 0.4), -ry + 0.6}, e + P{o * (-rx - 1.6), -ry + 1.8}, 0.6,
                        0.6),
                kInk);
            break;
        }
        case Eyes::Happy:
            Polyline(img, {e + P{-rx - 0.5, 1.5}, e + P{0, -1.2}, e + P{rx + 0.5, 1.5}}, kInk);
            break;
        case Eyes::Shut:
            Polyline(img, {e + P{-rx - 0.5, 0}, e + P{0, 1.5}, e + P{rx + 0.5, 0}}, kInk);
            break;
        case Eyes::Dizzy: {
            Poly spiral;
            for (int i = 0; i <= 36; ++i) {
                const double a = i * kPi / 9.0;
                const double r = 0.4 + (narrow ? 1.6 : 3.2) * i / 36.0;
                spiral.push_back(e +
                                 P{r * std::cos(a) * (narrow ? 0.6 : 1.0), r * std::sin(a) * 1.2});
            }
            Polyline(img, spiral, kInk);
            break;
        }
    }
}

// A light streak on the crown of the hair, only over plain hair pixels.
void HairShine(Image& img, const Joint& h, P c, double rx, double ry, double from, double to) {
    Mask m(img.w, img.h);
    m.Add(h.Place(StrokeArc(c, rx, ry, from, to, 1.8)));
    for (int y = 0; y < m.h; ++y)
        for (int x = 0; x < m.w; ++x)
            if (m.At(x, y) && img.Get(x, y) == 10) img.Put(x, y, 15);
}

// ---------------------------------------------------------------------------------------------
// The girl seen from the side, facing right.

struct SidePose {
    double lean = 0;  // the whole body, degrees, positive pitches forward
    double nearThigh = 0, nearKnee = 0, nearFoot = 0;  // forward swing, knee bend, toe down
    double farThigh = 0, farKnee = 0, farFoot = 0;
    double nearArm = 0, nearElbow = 20, farArm = 0, farElbow = 20;
    double headTilt = 0;                  // positive nods forward
    double hairSwing = 0;                 // how far the hair's tips trail behind
    double earBack = -16, earFront = 10;  // the ribbon's two loops
    double skirtSwing = 0;
    double skirtTurn = 0;  // swings the skirt forward with the thighs when seated
    double ground = 1e9;   // nothing of the skirt shows below this row
    Eyes eyes = Eyes::Open;
    bool openMouth = false;
    bool legsOverSkirt = false;  // lying face down, the raised lower legs are seen over the skirt
};

const Poly kShoeShape = {{-4, -2},  {-4.6, 2}, {-4, 5.2}, {-1, 6}, {8, 6},
                         {10.6, 5}, {11, 3},   {9, 0.6},  {5, -1}, {1, -2.6}};

struct LegParts {
    Poly thigh, shin, sock, shoe;
    P ankle;
};

LegParts BuildLeg(const Joint& hip, double thigh, double knee, double foot) {
    const Joint t = hip.Child({0, 0}, -thigh);
    const Joint s = t.Child({0, 16}, knee);
    const Joint f{s.At({0, 15}), hip.angle + foot};
    return {t.Place(Capsule({0, 0}, {0, 16}, 4.6, 3.8)),
            s.Place(Capsule({0, 0}, {0, 15}, 3.7, 2.7)),
            s.Place(Capsule({0, 7.5}, {0, 15}, 3.9, 3.1)), f.Place(kShoeShape), f.origin};
}

double LowestPoint(const Poly& p) {
    double y = -1e9;
    for (P q : p) y = std::max(y, q.y);
    return y;
}

// How far below the hip the lower shoe reaches in this pose.
double SideFootDrop(const SidePose& pose) {
    const Joint hip{{0, 0}, pose.lean};
    return std::max(LowestPoint(BuildLeg(hip, pose.nearThigh, pose.nearKnee, pose.nearFoot).shoe),
                    LowestPoint(BuildLeg(hip, pose.farThigh, pose.farKnee, pose.farFoot).shoe));
}

void DrawLeg(Image& img, const LegParts& leg, bool far) {
    Paint(img, {leg.thigh, leg.shin}, far ? kSkinFar : kSkin);
    Paint(img, {leg.sock}, far ? kSockFar : kSock);
    Paint(img, {leg.shoe}, far ? kShoeFar : kShoe);
}

void DrawSideArm(Image& img, const Joint& body, double swing, double elbow, bool far) {
    const Joint upper = body.Child({0.5, -20}, -swing);
    const Joint lower = upper.Child({0, 11}, -elbow);
    Paint(img,
          {upper.Place(Capsule({0, 0}, {0, 11}, 2.7, 2.5)),
           lower.Place(Capsule({0, 0}, {0, 9}, 2.5, 2.3)),
           lower.Place(Ellipse({0.4, 10.5}, 3.1, 3.3))},
          far ? kSkinFar : kSkin);
    Paint(img, {upper.Place(Ellipse({0, 2.5}, 4.9, 5.6))}, far ? kBlouseFar : kBlouse);
}

// The head in a side view, facing right; h is the joint at the top of the neck.
void DrawSideHead(Image& img, const Joint& h, const SidePose& pose) {
    const P c{1.5, -19};
    auto at = [&](double x, double y) { return h.At(c + P{x, y}); };
    // Ribbon loops stand behind the crown.
    for (double angle : {pose.earBack, pose.earFront}) {
        const Joint ear = h.Child(c + P{-3, -17}, angle);
        Paint(img, {ear.Place(Ellipse({0, -12}, 5.4, 12.5))}, kRibbon);
        Ink(img, ear.Place(Ellipse({0.5, -12.5}, 1.6, 7.5)), 8);
    }
    Paint(img, {h.Place(Ellipse(c + P{-1, -1}, 19.5, 19))}, kHair);
    Mask face(img.w, img.h);
    face.Add(h.Place(Ellipse(c + P{3.5, 3}, 15.5, 15.5)));
    face.Add(h.Place({c + P{2, 12}, c + P{16, 8}, c + P{13, 15}, c + P{7, 18.5}, c + P{1, 16}}));
    Paint(img, face, kSkin, {-2, 2, 0, 0});
    const Poly fringe = {c + P{-4, -19},   c + P{8, -18},   c + P{16, -12},    c + P{19.5, -4},
                         c + P{19.3, 1},   c + P{16.5, -2}, c + P{14.5, -0.5}, c + P{12, -4.5},
                         c + P{9.5, -1.5}, c + P{6, -5},    c + P{2.5, 0},     c + P{-0.5, -6},
                         c + P{-2.5, 6},   c + P{-4.5, 14}, c + P{-7.5, 7},    c + P{-10, -8}};
    Mask fringeMask(img.w, img.h);
    fringeMask.Add(h.Place(fringe));
    Paint(img, fringeMask, kHair);
    Polyline(img, {at(2, -14), at(7, -7)}, 9, &fringeMask);
    Polyline(img, {at(-4, -12), at(-4, 4)}, 9, &fringeMask);
    HairShine(img, h, c + P{0, -2}, 14, 13, 235, 275);
    HairShine(img, h, c + P{0, -2}, 14, 13, 285, 310);
    // The knot of the bow sits on top of the hair.
    Paint(img, {h.Place(Ellipse(c + P{-3, -17.5}, 4.8, 3.8))}, kRibbon);
    // Face.
    DrawEye(img, at(9, 7.5), pose.eyes, false);
    // Of the far eye only the lashes peek past the nose line.
    if (pose.eyes == Eyes::Open || pose.eyes == Eyes::Wide)
        Line(img, at(16.3, 4.2), at(17.6, 3.4), kInk);
    if (pose.eyes != Eyes::Dizzy) Ink(img, h.Place(Ellipse(c + P{9, 12.5}, 2.8, 1.2)), 7);
    // The mouth sits close to the profile, so it keeps off the face's outline.
    if (pose.openMouth) {
        Mask mouth(img.w, img.h);
        mouth.Add(h.Place(Ellipse(c + P{13.5, 14}, 1.4, 1.8)));
        for (int y = 0; y < img.h; ++y)
            for (int x = 0; x < img.w; ++x)
                if (mouth.At(x, y) && face.At(x, y) && img.Get(x, y) != kInk) img.Put(x, y, 5);
    } else {
        Line(img, at(12.5, 14.5), at(14.5, 14.2), 5, &face);
    }
}

void DrawGirlSide(Image& img, P hip, const SidePose& pose) {
    const Joint body{hip, pose.lean};
    const Joint head = body.Child({0.5, -24}, pose.headTilt);
    const P c{1.5, -19};
    const double s = pose.hairSwing;
    auto hp = [&](double x, double y) { return c + P{x, y}; };
    // Long hair down the back, trailing as she moves.
    const Poly hair = {hp(2, -20),
                       hp(-10, -17),
                       hp(-18, -9),
                       hp(-21, 3),
                       hp(-22, 16),
                       hp(-23 - 0.4 * s, 28),
                       hp(-25 - 0.7 * s, 40),
                       hp(-28 - s, 50),
                       hp(-21 - 0.8 * s, 45),
                       hp(-20 - 0.7 * s, 52),
                       hp(-14 - 0.5 * s, 45),
                       hp(-11 - 0.3 * s, 50),
                       hp(-8 - 0.2 * s, 40),
                       hp(-4, 28),
                       hp(0, 18),
                       hp(6, 10)};
    Mask hairMask(img.w, img.h);
    hairMask.Add(head.Place(hair));
    Paint(img, hairMask, kHair);
    Polyline(img, head.Place({hp(-17, 6), hp(-19 - 0.4 * s, 26), hp(-22 - 0.8 * s, 44)}), 9,
             &hairMask);
    Polyline(img, head.Place({hp(-11, 10), hp(-11 - 0.3 * s, 28), hp(-14 - 0.5 * s, 42)}), 9,
             &hairMask);

    DrawSideArm(img, body, pose.farArm, pose.farElbow, true);
    const LegParts farLeg =
        BuildLeg(body.Child({-1, 0}, 0), pose.farThigh, pose.farKnee, pose.farFoot);
    const LegParts nearLeg = BuildLeg(body, pose.nearThigh, pose.nearKnee, pose.nearFoot);
    if (!pose.legsOverSkirt) {
        DrawLeg(img, farLeg, true);
        DrawLeg(img, nearLeg, false);
    }

    Paint(img, {head.Place(Capsule({0, 2}, {0, -4}, 2.8, 2.8))}, kSkin);
    Paint(img,
          {body.Place({{-6, -6},
                       {-7.2, -14},
                       {-6.4, -21},
                       {-3, -24.5},
                       {3.5, -24.5},
                       {6.8, -21},
                       {7.8, -15},
                       {6.6, -8},
                       {5.8, -6}})},
          kBlouse);
    // A small bow at the collar.
    Paint(img,
          {body.Place({{3.5, -22.5}, {7.5, -25}, {8, -20}}),
           body.Place({{3.5, -22.5}, {1.5, -19}, {6, -18.5}})},
          kRibbon);

    const double sw = pose.skirtSwing;
    Poly skirt = {{-7.5, -10}, {6.5, -10}};
    constexpr int kPleats = 8;
    const double front = 12.5 + 0.3 * sw, back = -15 + sw;
    for (int i = 0; i <= kPleats; ++i) {
        const double x = front + (back - front) * i / kPleats;
        skirt.push_back({x, 9.0 + ((i % 2) ? 1.8 : 0.0)});
    }
    const Joint skirtJoint = body.Child({0, 0}, -pose.skirtTurn);
    Mask skirtMask(img.w, img.h);
    skirtMask.Add(skirtJoint.Place(skirt));
    for (int y = std::max(0, static_cast<int>(std::min(pose.ground, 1e6))); y < img.h; ++y)
        for (int x = 0; x < img.w; ++x) skirtMask.Set(x, y, 0);
    Paint(img, skirtMask, kSkirt);
    for (int i = 2; i < kPleats; i += 2) {
        const double x = front + (back - front) * i / kPleats;
        Line(img, skirtJoint.At({-1 + (x - -1) * 0.25, -8}), skirtJoint.At({x, 9}), 2, &skirtMask);
    }
    if (pose.legsOverSkirt) {
        DrawLeg(img, farLeg, true);
        DrawLeg(img, nearLeg, false);
    }

    DrawSideHead(img, head, pose);
    DrawSideArm(img, body, pose.nearArm, pose.nearElbow, false);
}

// ---------------------------------------------------------------------------------------------
// The girl facing the viewer (standing, day-dreaming, and as the boxer).

enum class Arms { Down, Clasped, Guard, Punch, Raised, Propped };

struct FrontPose {
    Arms arms = Arms::Down;
    bool boxer = false;
    bool cape = false;
    bool seated = false;  // sitting on the ground, legs out towards the viewer
    double headTilt = 0;  // positive leans the head to the viewer's right
    double earLeft = -24, earRight = 22;
    double hairSway = 0;  // the hair's tips drift sideways
    Eyes eyes = Eyes::Open;
    bool smile = true;
    bool blush = false;
};

// Drop from the hip to the soles when standing.
constexpr double kFrontFootDrop = 37.5;

void DrawFrontHead(Image& img, const Joint& h, const FrontPose& pose) {
    const P c{0, -19};
    auto at = [&](double x, double y) { return h.At(c + P{x, y}); };
    const bool outerLeftFor[2] = {true, false};
    const double earAngle[2] = {pose.earLeft, pose.earRight};
    for (int side = 0; side < 2; ++side) {
        const Joint ear = h.Child(c + P{side ? 4.0 : -4.0, -17}, earAngle[side]);
        Paint(img, {ear.Place(Ellipse({0, -12}, 5.4, 12.5))}, kRibbon);
        Ink(img, ear.Place(Ellipse({0.3, -12.5}, 1.6, 7.5)), 8);
    }
    Paint(img, {h.Place(Ellipse(c + P{0, -1.5}, 20, 19))}, kHair);
    Paint(img,
          {h.Place(Ellipse(c + P{0, 2.5}, 16, 15.5)),
           h.Place(
               {c + P{-13.5, 8}, c + P{13.5, 8}, c + P{6.5, 17}, c + P{0, 18.6}, c + P{-6.5, 17}})},
          kSkin, {-2, 2, 0, 0});
    const Poly half = {c + P{0, -19.5}, c + P{10, -18},    c + P{17, -12},  c + P{20, -3},
                       c + P{20.5, 8},  c + P{19, 17},     c + P{16.5, 23}, c + P{14.8, 13},
                       c + P{14.5, 2},  c + P{12.5, -2.5}, c + P{10.5, 1},  c + P{8, -4.5},
                       c + P{5, 0},     c + P{2.5, -5},    c + P{0, -1}};
    Mask fringe(img.w, img.h);
    fringe.Add(h.Place(Mirrored(half)));
    Paint(img, fringe, kHair);
    Polyline(img, {at(-3, -15), at(-7, -7)}, 9, &fringe);
    Polyline(img, {at(6, -14), at(10, -6)}, 9, &fringe);
    Polyline(img, {at(16.5, -2), at(17, 14)}, 9, &fringe);
    Polyline(img, {at(-16.5, -2), at(-17, 14)}, 9, &fringe);
    HairShine(img, h, c + P{0, -2}, 14, 12, 208, 240);
    HairShine(img, h, c + P{0, -2}, 14, 12, 252, 288);
    HairShine(img, h, c + P{0, -2}, 14, 12, 300, 332);
    Paint(img, {h.Place(Ellipse(c + P{0, -17.5}, 5.2, 4))}, kRibbon);
    for (int side = 0; side < 2; ++side) {
        const double sx = side ? 1.0 : -1.0;
        DrawEye(img, at(7.5 * sx, 7), pose.eyes, false, outerLeftFor[side]);
        if (pose.blush) {
            Ink(img, h.Place(Ellipse(c + P{10.5 * sx, 12}, 3.2, 1.5)), 8);
            Dot(img, at(9.5 * sx, 11.5), 7);
            Dot(img, at(11.5 * sx, 12), 7);
        } else {
            Ink(img, h.Place(Ellipse(c + P{10.5 * sx, 12}, 2.8, 1.2)), 7);
        }
    }
    if (pose.smile) {
        Polyline(img, {at(-1.8, 13.2), at(0, 14.3), at(1.8, 13.2)}, 5);
    } else {
        Ink(img, h.Place(Ellipse(c + P{0, 14}, 1.3, 1.5)), 5);
    }
}

// A red boxing glove with a shine.
void Glove(Image& img, P at, double r) {
    Paint(img, {Ellipse(at, r, r * 0.95)}, kRed);
    Ink(img, Ellipse(at + P{-r * 0.35, -r * 0.4}, r * 0.25, r * 0.18), 15);
}

// One arm from the shoulder through the elbow to the hand, all in body coordinates.
void FrontArm(Image& img, const Joint& body, P shoulder, P elbow, P hand, const FrontPose& pose,
              double glove) {
    Paint(img,
          {Capsule(body.At(shoulder), body.At(elbow), 2.8, 2.6),
           Capsule(body.At(elbow), body.At(hand), 2.6, 2.4),
           pose.boxer ? Poly{} : Ellipse(body.At(hand), 3.2, 3.3)},
          kSkin);
    if (!pose.boxer) {
        Paint(img, {Ellipse(body.At(shoulder + P{0, 2.5}), 5, 5.6)}, kBlouse);
    } else if (glove > 0) {
        Paint(img, {Capsule(body.At(elbow + (hand - elbow) * 0.55), body.At(hand), 3.4, 3.6)},
              kWhite);
        Glove(img, body.At(hand), glove);
    }
}

// Attached at both shoulders, the cape sweeps out to one side in three tails.
void FrontCape(Image& img, const Joint& body) {
    Mask cape(img.w, img.h);
    cape.Add(body.Place({{9, -23},
                         {12.5, -14},
                         {8, 2},
                         {-2, 12},
                         {-16, 16},
                         {-30, 12},
                         {-41, 4},
                         {-35, 1},
                         {-44, -8},
                         {-37, -10},
                         {-43, -21},
                         {-33, -21},
                         {-22, -25},
                         {-12, -26},
                         {-2, -26}}));
    Paint(img, cape, kRed, {-3, 3, 0, 0});
    for (const Poly& fold :
         {Poly{{-6, -22}, {-22, -14}, {-34, -4}}, Poly{{-4, -16}, {-16, -2}, {-30, 6}},
          Poly{{-10, -24}, {-26, -20}, {-36, -16}}})
        Polyline(img, body.Place(fold), 5, &cape);
}

// Long hair falling behind the shoulders; the sway moves both sides' tips the same way.
void FrontHair(Image& img, const Joint& head, double s) {
    const P c{0, -19};
    auto hp = [&](double x, double y) { return c + P{x, y}; };
    struct HairPoint {
        double x, y, sway;
    };
    constexpr HairPoint kHalf[] = {{0, -21, 0},     {12, -18, 0},    {19.5, -9, 0}, {22.5, 3, 0},
                                   {23.5, 16, 0},   {24.5, 28, 0.5}, {27, 41, 1},   {21.5, 37, 0.8},
                                   {20.5, 44, 0.7}, {15.5, 35, 0.5}, {12, 22, 0.2}, {9, 12, 0},
                                   {0, 10, 0}};
    Poly hair;
    for (const HairPoint& q : kHalf) hair.push_back(hp(q.x + s * q.sway, q.y));
    for (int i = static_cast<int>(std::size(kHalf)) - 1; i >= 0; --i)
        hair.push_back(hp(-kHalf[i].x + s * kHalf[i].sway, kHalf[i].y));
    Mask hairMask(img.w, img.h);
    hairMask.Add(head.Place(hair));
    Paint(img, hairMask, kHair);
    Polyline(img, head.Place({hp(19, 8), hp(21 + s * 0.5, 26), hp(24 + s, 38)}), 9, &hairMask);
    Polyline(img, head.Place({hp(-19, 8), hp(-21 + s * 0.5, 26), hp(-24 + s, 38)}), 9, &hairMask);
}

// Standing legs: skin, socks (red boxing boots) and shoes.
void FrontLegs(Image& img, const Joint& body, bool boxer) {
    for (double sx : {-1.0, 1.0}) {
        Paint(img,
              {body.Place(Capsule({5 * sx, 0}, {4.5 * sx, 16}, 4.6, 3.9)),
               body.Place(Capsule({4.5 * sx, 16}, {4.5 * sx, 31}, 3.8, 2.9))},
              kSkin);
        Paint(img, {body.Place(Capsule({4.5 * sx, boxer ? 21 : 23.5}, {4.5 * sx, 31}, 4.0, 3.3))},
              boxer ? kRed : kSock);
        Paint(img,
              {body.Place({{(4.5 - 4.5) * sx, 31.5},
                           {(4.5 + 4.0) * sx, 31},
                           {(4.5 + 6) * sx, 34},
                           {(4.5 + 5.5) * sx, 37.5},
                           {(4.5 - 4.5) * sx, 37.5},
                           {(4.5 - 5.2) * sx, 34.5}})},
              boxer ? kRed : kShoe);
    }
}

// A white vest with straps, grey trunks with a white band.
void FrontBoxerKit(Image& img, const Joint& body) {
    Paint(img,
          {body.Place(Mirrored({{0, -22}, {5, -22.5}, {7.5, -17}, {8, -12}, {7, -6}, {0, -6}}))},
          kWhite);
    Paint(img,
          {body.Place(Capsule({5.5, -23}, {8, -18}, 1.3, 1.3)),
           body.Place(Capsule({-5.5, -23}, {-8, -18}, 1.3, 1.3))},
          kWhite);
    Paint(img,
          {body.Place({{-8.5, -8}, {8.5, -8}, {11, 8}, {1.5, 9}, {0, 4}, {-1.5, 9}, {-11, 8}})},
          kTrunks);
    Paint(img, {body.Place({{-8.6, -9}, {8.6, -9}, {8.8, -5.5}, {-8.8, -5.5}})}, kWhite);
}

// The blouse with its ribbon and the pleated skirt.
void FrontDress(Image& img, const Joint& body, bool seated) {
    Paint(img,
          {body.Place(Mirrored({{0, -24.5}, {4, -25}, {9.5, -21}, {8.5, -15}, {7, -6}, {0, -6}}))},
          kBlouse);
    Paint(img,
          {body.Place({{0, -21.5}, {-4.5, -24.5}, {-4.5, -18.5}}),
           body.Place({{0, -21.5}, {4.5, -24.5}, {4.5, -18.5}})},
          kRibbon);
    Mask skirt(img.w, img.h);
    Poly outline = {{-8.5, -10}, {8.5, -10}};
    // Seated, the skirt spreads out flat around her.
    const double hem = seated ? 25.0 : 18.0;
    constexpr int kPleats = 10;
    for (int i = 0; i <= kPleats; ++i) {
        const double x = hem - 2 * hem * i / kPleats;
        const double droop = seated ? 2.5 * (1 - (x / hem) * (x / hem)) : 0.0;
        outline.push_back({x, 9.0 + droop + ((i % 2) ? 1.8 : 0.0)});
    }
    skirt.Add(body.Place(outline));
    Paint(img, skirt, kSkirt);
    for (int i = 2; i < kPleats; i += 2) {
        const double x = hem - 2 * hem * i / kPleats;
        Line(img, body.At({x * 0.4, -8}), body.At({x, 9}), 2, &skirt);
    }
}

// Legs stretched out towards the viewer: shins, socks and the soles of her shoes.
void SeatedLegs(Image& img, const Joint& body) {
    for (double sx : {-1.0, 1.0}) {
        Paint(img, {body.Place(Capsule({9 * sx, 5}, {15 * sx, 12}, 3.9, 3.3))}, kSkin);
        Paint(img, {body.Place(Capsule({12.5 * sx, 9.5}, {15.5 * sx, 13}, 4.1, 3.7))}, kSock);
        Paint(img, {body.Place(Ellipse({17 * sx, 16}, 4.6, 5.6, -18 * sx))}, kShoe);
        Ink(img, body.Place(Ellipse({17.4 * sx, 17.5}, 2.4, 2.6, -18 * sx)), 11);
    }
}

void FrontArms(Image& img, const Joint& body, const FrontPose& pose) {
    const double g = pose.boxer ? 6.8 : 0;
    switch (pose.arms) {
        case Arms::Down:
            FrontArm(img, body, {-10, -21}, {-13, -10.5}, {-13.5, -1}, pose, g);
            FrontArm(img, body, {10, -21}, {13, -10.5}, {13.5, -1}, pose, g);
            break;
        case Arms::Clasped:
            FrontArm(img, body, {-10, -21}, {-12.5, -10}, {-3, -20}, pose, g);
            FrontArm(img, body, {10, -21}, {12.5, -10}, {2.5, -20.5}, pose, g);
            break;
        case Arms::Guard:
            FrontArm(img, body, {-10, -21}, {-14, -9}, {-8, -24}, pose, g);
            FrontArm(img, body, {10, -21}, {14, -9}, {8, -24}, pose, g);
            break;
        case Arms::Punch:
            FrontArm(img, body, {10, -21}, {14, -9}, {9, -25}, pose, g);
            FrontArm(img, body, {-10, -21}, {-9, -15}, {-3, -19}, pose, 0);
            Glove(img, body.At({-3, -19}), 9.5);
            break;
        case Arms::Raised:
            FrontArm(img, body, {-10, -21}, {-19, -29}, {-19, -44}, pose, g);
            FrontArm(img, body, {10, -21}, {19, -29}, {19, -44}, pose, g);
            break;
        case Arms::Propped:
            FrontArm(img, body, {-10, -21}, {-16, -10}, {-21, 0}, pose, g);
            FrontArm(img, body, {10, -21}, {16, -10}, {21, 0}, pose, g);
            break;
    }
}

void DrawGirlFront(Image& img, P hip, const FrontPose& pose) {
    const Joint body{hip, 0};
    const Joint head = body.Child({0, -24}, pose.headTilt);
    if (pose.cape) FrontCape(img, body);
    FrontHair(img, head, pose.hairSway);
    if (!pose.seated) FrontLegs(img, body, pose.boxer);
    Paint(img, {head.Place(Capsule({0, 2}, {0, -4}, 3, 3))}, kSkin);
    if (pose.boxer) {
        FrontBoxerKit(img, body);
    } else {
        FrontDress(img, body, pose.seated);
    }
    if (pose.seated) SeatedLegs(img, body);
    DrawFrontHead(img, head, pose);
    FrontArms(img, body, pose);
}

// ---------------------------------------------------------------------------------------------
// Effects.

// Deepens the part's colour `from` into `to` where the pixel (dx, dy) away leaves the mask.
void Rim(Image& img, const Mask& m, int dx, int dy, uint8_t from, uint8_t to) {
    for (int y = 0; y < m.h; ++y)
        for (int x = 0; x < m.w; ++x)
            if (m.At(x, y) && img.Get(x, y) == from && !m.At(x + dx, y + dy)) img.Put(x, y, to);
}

// A cloud of round puffs, white with grey shadows.
void Smoke(Image& img, std::initializer_list<std::array<double, 3>> puffs) {
    Mask m(img.w, img.h);
    for (const auto& p : puffs) m.Add(Circle({p[0], p[1]}, p[2]));
    m.FillPinholes();
    Paint(img, m, kSmoke, {-4, 4, 0, 0});
    Rim(img, m, -2, 2, 4, 3);
    // A few curls inside the cloud.
    for (const auto& p : puffs) {
        if (p[2] < 9) continue;
        Polyline(
            img,
            {P{p[0] - p[2] * 0.5, p[1] + p[2] * 0.35}, P{p[0] - p[2] * 0.1, p[1] + p[2] * 0.55},
             P{p[0] + p[2] * 0.35, p[1] + p[2] * 0.45}},
            4, &m);
    }
}

void SparkStar(Image& img, P c, double r) { Paint(img, {Star(c, 4, r, r * 0.38, -90)}, kGold); }

void Heart(Image& img, P c, double r, Material m) {
    Paint(img,
          {Circle(c + P{-r * 0.5, -r * 0.1}, r * 0.62), Circle(c + P{r * 0.5, -r * 0.1}, r * 0.62),
           Poly{c + P{-r * 1.08, r * 0.1}, c + P{r * 1.08, r * 0.1}, c + P{0, r * 1.3}}},
          m, {0, 0, 1, -1});
}

// The two of them, tiny, holding hands in the thought bubble.
void TinyCouple(Image& img, P girlFeet, P boyFeet) {
    constexpr Material kFlatSkin{14, 14, 0, true};
    constexpr Material kBoyHair{11, 11, 12, true};
    const P gh = girlFeet + P{0, -20}, bh = boyFeet + P{0, -21};
    // Joined hands between them.
    Paint(img, {Capsule(gh + P{4, 10}, bh + P{-4, 10}, 1.4, 1.4)}, kFlatSkin);
    for (P f : {girlFeet, boyFeet}) {
        Paint(img,
              {Capsule(f + P{-2, -7}, f + P{-2, -1.5}, 1.2, 1.2),
               Capsule(f + P{2, -7}, f + P{2, -1.5}, 1.2, 1.2)},
              kFlatSkin);
        Paint(img, {Ellipse(f + P{-2.3, -0.8}, 2.2, 1.5), Ellipse(f + P{2.3, -0.8}, 2.2, 1.5)},
              kShoeFar);
    }
    // Her: ribbon, long hair, blouse and skirt.
    Paint(img, {Ellipse(gh + P{-3, -8.5}, 1.9, 4.2, -25), Ellipse(gh + P{3, -8.5}, 1.9, 4.2, 25)},
          kRibbon);
    Paint(img, {Ellipse(gh + P{0, 2.5}, 6.6, 9)}, kHair);
    Paint(img, {Poly{gh + P{-3.5, 5}, gh + P{3.5, 5}, gh + P{4, 10}, gh + P{-4, 10}}},
          {15, 15, 0, true});
    Paint(img, {Poly{gh + P{-4, 9}, gh + P{4, 9}, gh + P{6, 14}, gh + P{-6, 14}}}, kSkirt);
    // Him: short brown hair, shirt and trousers.
    Paint(img, {Poly{bh + P{-4, 5}, bh + P{4, 5}, bh + P{4.5, 11}, bh + P{-4.5, 11}}},
          {4, 4, 0, true});
    Paint(img, {Poly{bh + P{-4.5, 10.5}, bh + P{4.5, 10.5}, bh + P{4.3, 15}, bh + P{-4.3, 15}}},
          {2, 2, 0, true});
    for (P h : {gh, bh}) Paint(img, {Ellipse(h, 4.7, 4.5)}, kFlatSkin);
    Paint(img, {Ellipse(gh + P{0, -2.6}, 5.4, 3.2)}, {10, 10, 0, true});
    Paint(
        img,
        {Ellipse(bh + P{0, -2.4}, 5.6, 3.6), Poly{bh + P{-1, -5}, bh + P{2, -8.5}, bh + P{3, -4}}},
        kBoyHair);
    for (P h : {gh, bh}) {
        Dot(img, h + P{-1.8, 0.5}, kInk);
        Dot(img, h + P{1.8, 0.5}, kInk);
        Dot(img, h + P{-3.2, 2.2}, 7);
        Dot(img, h + P{3.0, 2.2}, 7);
    }
}

// ---------------------------------------------------------------------------------------------
// The cells.

constexpr double kWalkGround = 132;

// One leg through the eight images of a stride, as where its ankle goes relative to the hip:
// forward of it, lifted off the ground, and the shoe's tilt (toe down positive). Four images
// on the ground moving back 10 or 11 pixels each, most of the 16 the walker moves per tick, so
// the planted shoe slides little; four in the air.
struct LegKey {
    double dx, lift, foot;
};
constexpr LegKey kLegCycle[8] = {
    {16, 0, -16},                 // heel strike
    {5.5, 0, 0},                  // weight on it
    {-5.5, 0, 0},  {-16, 0, 10},  // heel rising
    {-22, 4, 38},                 // toe off
    {-11, 11, 32},                // knee lifted
    {4, 10, 14},                  // passing
    {15, 4, -6},                  // reaching
};

constexpr double Degrees(double radians) { return radians * 180.0 / kPi; }

// Thigh swing and knee bend (degrees, from the vertical) that put the ankle at (dx, dy) below
// the hip, the knee bending forward.
void SolveLeg(double dx, double dy, double& thigh, double& knee) {
    constexpr double kThigh = 16, kShin = 15;
    const double d = std::min(std::hypot(dx, dy), kThigh + kShin - 0.05);
    const double aim = std::atan2(dx, dy);
    const double hip = std::acos((kThigh * kThigh + d * d - kShin * kShin) / (2 * kThigh * d));
    const double inner =
        std::acos((kThigh * kThigh + kShin * kShin - d * d) / (2 * kThigh * kShin));
    thigh = Degrees(aim + hip);
    knee = Degrees(kPi - inner);
}

void DrawWalk(Image& img, int phase) {
    const LegKey& n = kLegCycle[phase];
    const LegKey& f = kLegCycle[(phase + 4) % 8];
    // The hip rides lowest when the planted leg reaches furthest.
    const LegKey& planted = (phase < 4) ? n : f;
    const bool low = std::fabs(planted.dx) > 10;
    const double height = low ? 26.8 : 29.2;
    SidePose pose;
    pose.lean = 4;
    SolveLeg(n.dx, height - n.lift, pose.nearThigh, pose.nearKnee);
    SolveLeg(f.dx, height - f.lift, pose.farThigh, pose.farKnee);
    pose.nearThigh += pose.lean, pose.farThigh += pose.lean;
    pose.nearFoot = n.foot - pose.lean, pose.farFoot = f.foot - pose.lean;
    // Arms swing against the legs.
    const double swing = 34 * std::cos(phase * kPi / 4);
    pose.nearArm = -swing, pose.farArm = swing;
    pose.nearElbow = 16 + std::max(0.0, pose.nearArm) * 0.9;
    pose.farElbow = 16 + std::max(0.0, pose.farArm) * 0.9;
    const double bounce = low ? 1.0 : -1.0;
    pose.hairSwing = 6 + 3 * bounce;
    pose.earBack = -30 - 5 * bounce;
    pose.earFront = 12 - 4 * bounce;
    pose.skirtSwing = -2 - 1.5 * bounce;
    double hipY = kWalkGround - 6 - height;
    // A tilted toe must not dig into the ground.
    hipY = std::min(hipY, kWalkGround + 1 - SideFootDrop(pose));
    DrawGirlSide(img, {62, hipY}, pose);
}

void DrawStanding(Image& img) {
    FrontPose pose;
    DrawGirlFront(img, {64.5, 136 - kFrontFootDrop}, pose);
}

// Sitting on the ground after the fall, dazed, stars circling her head.
void DrawSeated(Image& img, int phase) {
    FrontPose pose;
    pose.seated = true;
    pose.arms = Arms::Propped;
    pose.eyes = Eyes::Dizzy;
    pose.smile = false;
    pose.headTilt = phase ? 9 : -7;
    pose.hairSway = phase ? 2 : -2;
    pose.earLeft = phase ? -30 : -16, pose.earRight = phase ? 16 : 30;
    const P hip{57, 123};
    const double turn = phase * 40;
    // Stars behind her head first, then the ones passing in front.
    for (int front = 0; front < 2; ++front) {
        if (front) DrawGirlFront(img, hip, pose);
        for (int i = 0; i < 3; ++i) {
            const double a = (turn + i * 120 + 30) * kPi / 180;
            if ((std::sin(a) > 0) != (front == 1)) continue;
            SparkStar(img, hip + P{31 * std::cos(a), -68 + 6 * std::sin(a)}, 6.5);
        }
    }
}

// The moment of tripping: pitched forward, arms thrown out, dust at the heel.
void DrawTrip(Image& img) {
    SidePose pose;
    pose.lean = 44;
    pose.nearThigh = -24, pose.nearKnee = 6, pose.nearFoot = 46;
    pose.farThigh = -58, pose.farKnee = 66, pose.farFoot = 20;
    pose.nearArm = 70, pose.nearElbow = -10;
    pose.farArm = -95, pose.farElbow = 30;
    pose.headTilt = -34;
    pose.hairSwing = 14;
    pose.earBack = -75, pose.earFront = -40;
    pose.skirtSwing = -6;
    pose.eyes = Eyes::Wide;
    pose.openMouth = true;
    const double ground = 139;
    const P hip{72, ground - SideFootDrop(pose)};
    DrawGirlSide(img, hip, pose);
    // Dust kicked up where her toe caught.
    const P toe = hip + P{-28, SideFootDrop(pose) - 3};
    Smoke(img, {{toe.x - 6, toe.y, 4.5}, {toe.x - 13, toe.y - 2, 3.5}, {toe.x + 1, toe.y + 1, 3}});
}

// Face down on the ground; the impact cell adds a burst under her.
void DrawLying(Image& img, int phase, bool impact) {
    if (impact) {
        Paint(img, {Star({86, 106}, 14, 85, 52, -90, 0.66)}, {10, 9, 0, true}, {0, 4, 0, 0});
        Paint(img, {Star({86, 110}, 14, 46, 28, -77, 0.6)}, {15, 10, 0, false}, {0, 3, 0, 0});
    }
    SidePose pose;
    pose.lean = 90;
    pose.nearThigh = impact ? 4 : -8, pose.nearKnee = impact ? 60 : (phase ? 112 : 88);
    pose.farThigh = impact ? -6 : -20, pose.farKnee = impact ? 30 : (phase ? 80 : 108);
    // Soles to the sky: the feet turn with the raised shins.
    pose.nearFoot = pose.nearKnee - pose.nearThigh - 20;
    pose.farFoot = pose.farKnee - pose.farThigh - 10;
    pose.nearArm = impact ? 205 : -12, pose.nearElbow = impact ? 10 : 0;
    pose.farArm = impact ? 190 : -4, pose.farElbow = 0;
    pose.headTilt = 6;
    pose.hairSwing = impact ? 10 : 2;
    pose.earBack = impact ? -30 : (phase ? -10 : -20);
    pose.earFront = impact ? 20 : (phase ? 40 : 30);
    pose.eyes = Eyes::Shut;
    pose.legsOverSkirt = !impact;
    DrawGirlSide(img, {impact ? 58.0 : 56.0, impact ? 126.0 : 127.0}, pose);
}

// A whirl of white wind under a yellow arc, where she spins back onto her feet.
void DrawSwirl(Image& img) {
    Paint(img, {StrokeArc({103, 101}, 53, 61, 200, 340, 7)}, kGold);
    constexpr double kRings[][5] = {{103, 78, 46, 9, 6},
                                    {99, 96, 35, 8, 5.5},
                                    {104, 111, 25, 6.5, 5},
                                    {100, 123, 15, 5, 4.5},
                                    {103, 133, 7, 3, 4}};
    for (const auto& r : kRings)
        Paint(img, {StrokeArc({r[0], r[1]}, r[2], r[3], 160, 480, r[4])}, kWhite, {0, 2, 0, 0});
    // Motion ticks on either side of the whirl.
    for (double side : {-1.0, 1.0})
        for (int i = 0; i < 3; ++i)
            Paint(img,
                  {Capsule({103 + side * (52 - 4 * i), 72.0 + 14 * i},
                           {103 + side * (46 - 4 * i), 76.0 + 14 * i}, 1.6, 1.6)},
                  kWhite);
}

void DrawChange(Image& img, int stage) {
    FrontPose pose;
    pose.boxer = true;
    switch (stage) {
        case 0:  // gloves raised, cape flying
            pose.arms = Arms::Raised;
            pose.cape = true;
            pose.earLeft = -56, pose.earRight = 54;
            pose.eyes = Eyes::Happy;
            DrawGirlFront(img, {66, 134 - kFrontFootDrop}, pose);
            break;
        case 1:  // one glove forward
            pose.arms = Arms::Punch;
            pose.headTilt = 4;
            pose.earLeft = -30, pose.earRight = 26;
            pose.smile = false;
            DrawGirlFront(img, {61, 135 - kFrontFootDrop}, pose);
            break;
        case 2:  // on guard
            pose.arms = Arms::Guard;
            DrawGirlFront(img, {64, 136 - kFrontFootDrop}, pose);
            break;
        case 3:  // appearing out of the smoke
            pose.arms = Arms::Guard;
            pose.eyes = Eyes::Wide;
            DrawGirlFront(img, {64, 136 - kFrontFootDrop}, pose);
            Smoke(img, {{47, 98, 11},
                        {64, 94, 14},
                        {84, 100, 12},
                        {52, 116, 14},
                        {76, 117, 15},
                        {46, 128, 7},
                        {89, 127, 7},
                        {88, 78, 8},
                        {44, 84, 5}});
            break;
        default:  // the puff that starts and ends the change
            Smoke(img, {{64, 72, 33},
                        {37, 60, 20},
                        {92, 62, 20},
                        {46, 34, 19},
                        {82, 31, 18},
                        {64, 18, 17},
                        {33, 94, 17},
                        {97, 96, 15},
                        {49, 112, 18},
                        {80, 112, 18},
                        {64, 118, 13},
                        {22, 76, 7},
                        {106, 78, 6}});
            SparkStar(img, {22, 24}, 7);
            SparkStar(img, {104, 14}, 5.5);
            SparkStar(img, {20, 124}, 5);
            SparkStar(img, {106, 124}, 6.5);
            break;
    }
}

// Hands clasped under her chin, blushing, dreaming of the two of them.
void DrawDream(Image& img, int phase) {
    FrontPose pose;
    pose.arms = Arms::Clasped;
    pose.blush = true;
    pose.eyes = Eyes::Happy;
    pose.headTilt = phase ? -7 : -3;
    pose.earLeft = phase ? -20 : -26, pose.earRight = phase ? 28 : 20;
    pose.hairSway = phase ? 1.5 : 0;
    DrawGirlFront(img, {66, 160 - kFrontFootDrop}, pose);

    const double b = phase ? 1.0 : 0.0;
    Mask cloud(img.w, img.h);
    for (const auto& c : {std::array<double, 3>{111, 31 + b, 13},
                          {122, 20, 13},
                          {138, 20 + b, 13},
                          {147, 32, 12},
                          {138, 44 - b, 12},
                          {119, 43, 12},
                          {128, 32, 18}})
        cloud.Add(Circle({c[0], c[1]}, c[2]));
    Paint(img, cloud, kRibbon, {-3, 3, 0, 0});
    Paint(img, {Circle({97 - b, 62 + b}, 3.6)}, kRibbon);
    Paint(img, {Circle({90, 70}, 2.4)}, kRibbon);
    TinyCouple(img, {120 + b, 50}, {137 - b, 50});
    Heart(img, {128.5, 17 - b}, phase ? 5.6 : 4.8, {6, 5, 7, true});
}

void DrawCell(int index, Image& img) {
    if (index < 8) return DrawWalk(img, index);
    switch (index) {
        case 8:
            return DrawStanding(img);
        case 17:
            return DrawSwirl(img);
        case 18:
            return DrawSeated(img, 0);
        case 19:
            return DrawSeated(img, 1);
        case 20:
            return DrawTrip(img);
        case 21:
            return DrawLying(img, 0, true);
        case 22:
            return DrawLying(img, 0, false);
        case 23:
            return DrawLying(img, 1, false);
        case 31:
            return DrawChange(img, 0);
        case 32:
            return DrawChange(img, 1);
        case 33:
            return DrawChange(img, 2);
        case 34:
            return DrawChange(img, 3);
        case 35:
            return DrawChange(img, 4);
        case 36:
            return DrawDream(img, 0);
        case 37:
            return DrawDream(img, 1);
        default:
            return;
    }
}

// Moves the drawing by the fewest whole pixels that bring it inside the cell's box (centring it on
// an axis where it is too big), so a pose can be tuned without hand-placing every cell.
void FitInside(Image& img, const SheetCell& cell) {
    int left = img.w, right = -1, top = img.h, bottom = -1;
    for (int y = 0; y < img.h; ++y)
        for (int x = 0; x < img.w; ++x)
            if (img.Get(x, y))
                left = std::min(left, x), right = std::max(right, x), top = std::min(top, y),
                bottom = std::max(bottom, y);
    if (right < 0) return;
    auto shift = [](int lo, int hi, int boxLo, int boxHi) {
        if (hi - lo > boxHi - boxLo) return (boxLo + boxHi) / 2 - (lo + hi) / 2;
        if (lo < boxLo) return boxLo - lo;
        if (hi > boxHi) return boxHi - hi;
        return 0;
    };
    const int dx = shift(left, right, cell.left, cell.right),
              dy = shift(top, bottom, cell.top, cell.bottom);
    if (dx == 0 && dy == 0) return;
    Image moved(img.w, img.h);
    for (int y = 0; y < img.h; ++y)
        for (int x = 0; x < img.w; ++x) moved.Put(x + dx, y + dy, img.Get(x, y));
    img = moved;
}

void Blit(std::vector<uint8_t>& sheet, const Image& img, int x0, int y0) {
    for (int y = 0; y < img.h; ++y)
        for (int x = 0; x < img.w; ++x) sheet[(y0 + y) * kSheetWidth + x0 + x] = img.Get(x, y);
}

// Copies a cell turned left for right; with shift 1, column i takes column (w - 2 - i) and the
// last column stays black.
void MirrorCell(std::vector<uint8_t>& sheet, const SheetCell& from, const SheetCell& to,
                int shift) {
    for (int y = 0; y < to.height; ++y) {
        for (int x = 0; x < to.width; ++x) {
            const int sx = to.width - 1 - shift - x;
            const uint8_t c = sx >= 0 ? sheet[(from.y + y) * kSheetWidth + from.x + sx] : 0;
            sheet[(to.y + y) * kSheetWidth + to.x + x] = c;
        }
    }
}

void ClearRect(std::vector<uint8_t>& sheet, int x0, int y0, int w, int h) {
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x) sheet[y * kSheetWidth + x] = 0;
}

struct MirrorPair {
    int from, to, shift;
};
constexpr MirrorPair kMirrors[] = {
    {0, 9, 0},   {1, 10, 0},  {2, 11, 0},  {3, 12, 0},  {4, 13, 0},  {5, 14, 0},
    {6, 15, 0},  {7, 16, 0},  {17, 24, 1}, {18, 25, 1}, {19, 26, 1}, {20, 27, 1},
    {21, 28, 1}, {22, 29, 1}, {23, 30, 1}, {36, 39, 0}, {37, 38, 0},
};

bool IsMirrored(int index) {
    for (const MirrorPair& m : kMirrors)
        if (m.to == index) return true;
    return false;
}

}  // namespace

std::vector<uint8_t> DrawSheet(std::vector<int>* cutPixels) {
    std::vector<uint8_t> sheet(static_cast<size_t>(kSheetWidth * kSheetHeight), 0);
    if (cutPixels) cutPixels->assign(kSheetCellCount, 0);
    for (int i = 0; i < kSheetCellCount; ++i) {
        if (IsMirrored(i)) continue;
        const SheetCell& cell = kSheetCells[i];
        Image img(cell.width, cell.height);
        DrawCell(i, img);
        FitInside(img, cell);
        // Whatever strays outside the figure's box is cut.
        for (int y = 0; y < img.h; ++y)
            for (int x = 0; x < img.w; ++x)
                if ((x < cell.left || x > cell.right || y < cell.top || y > cell.bottom) &&
                    img.Get(x, y)) {
                    img.Put(x, y, 0);
                    if (cutPixels) ++(*cutPixels)[i];
                }
        Blit(sheet, img, cell.x, cell.y);
    }
    for (const MirrorPair& m : kMirrors)
        MirrorCell(sheet, kSheetCells[m.from], kSheetCells[m.to], m.shift);
    for (const SheetArea& a : kBlackAreas) ClearRect(sheet, a.x, a.y, a.w, a.h);
    return sheet;
}

namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

}  // namespace

std::vector<uint8_t> EncodeSheetBmp(const std::vector<uint8_t>& pixels) {
    constexpr uint32_t kRowBytes = kSheetWidth / 2;
    constexpr uint32_t kImageBytes = kRowBytes * kSheetHeight;
    constexpr uint32_t kBitsOffset = 14 + 40 + 16 * 4;
    std::vector<uint8_t> out;
    out.reserve(kBitsOffset + kImageBytes);
    out.push_back('B');
    out.push_back('M');
    Put32(out, kBitsOffset + kImageBytes);
    Put32(out, 0);
    Put32(out, kBitsOffset);
    Put32(out, 40);
    Put32(out, kSheetWidth);
    Put32(out, kSheetHeight);
    Put16(out, 1);
    Put16(out, 4);
    Put32(out, 0);
    Put32(out, kImageBytes);
    Put32(out, 3790);
    Put32(out, 3780);
    Put32(out, 0);
    Put32(out, 0);
    for (const SheetColour& c : kSheetPalette) {
        out.push_back(c.blue);
        out.push_back(c.green);
        out.push_back(c.red);
        out.push_back(0);
    }
    for (int row = kSheetHeight - 1; row >= 0; --row) {
        const uint8_t* p = &pixels[static_cast<size_t>(row) * kSheetWidth];
        for (int x = 0; x < kSheetWidth; x += 2)
            out.push_back(static_cast<uint8_t>((p[x] & 15) << 4 | (p[x + 1] & 15)));
    }
    return out;
}
