#include "tools/make-skin/SkinArt.h"

#include <QColor>
#include <QLinearGradient>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <initializer_list>
#include <set>

namespace korvane::skin {
namespace {

// The bar: dark graphite with a light line along its top, recessed wells
// behind the transport buttons and the zoom buttons.
const QColor kBase(0x20, 0x24, 0x2A);
const QColor kTopLine(0x3B, 0x42, 0x4C);
const QColor kWell(0x16, 0x19, 0x1E);
const QColor kWellShade(0x0C, 0x0E, 0x11);
const QColor kWellLight(0x2F, 0x35, 0x3D);
// The slider thumb is drawn with its top-left colour transparent.
const QColor kKey(0xFF, 0x00, 0xFF);

enum class Look { Normal, Hover, Pressed, Disabled };

// A face: its gradient, border, glyph colour, and how far it sinks when pressed.
struct Face {
    QColor top;
    QColor bottom;
    QColor border;
    QColor glyph;
    int shift = 0;
    bool raised = true;  // draws the shadow line under the face
};

// Transport buttons: light caps with a black glyph; cyan glyph under the
// pointer, red glyph on a darker sunken cap when pressed, grey when disabled.
Face TransportFace(Look look) {
    switch (look) {
        case Look::Normal: return {{0xF5, 0xF7, 0xF9}, {0xD6, 0xDB, 0xE1}, {0xA3, 0xAC, 0xB6}, {0x10, 0x12, 0x14}};
        case Look::Hover: return {{0xFF, 0xFF, 0xFF}, {0xE2, 0xF5, 0xFA}, {0x1C, 0xC4, 0xE6}, {0x00, 0xA6, 0xCE}};
        case Look::Pressed:
            return {{0xA9, 0xB2, 0xBD}, {0x93, 0x9C, 0xA8}, {0x66, 0x70, 0x7B}, {0xD8, 0x1E, 0x28}, 1, false};
        case Look::Disabled: return {{0x4A, 0x51, 0x5B}, {0x41, 0x47, 0x50}, {0x55, 0x5D, 0x68}, {0x86, 0x8E, 0x98}};
    }
    return {};
}

// Round buttons: light face, dark sunken face when pressed, cyan face under
// the pointer; a checked zoom button keeps the cyan face.
Face RoundFace(Look look) {
    switch (look) {
        case Look::Normal:
        case Look::Disabled: return {{0xF0, 0xF3, 0xF6}, {0xD0, 0xD6, 0xDD}, {0x93, 0x9E, 0xA9}, {0x14, 0x17, 0x1B}};
        case Look::Hover: return {{0x5C, 0xDC, 0xF4}, {0x14, 0xAC, 0xD0}, {0x0A, 0x83, 0xA1}, {0x08, 0x0E, 0x12}};
        case Look::Pressed:
            return {{0x36, 0x3D, 0x46}, {0x26, 0x2C, 0x33}, {0x0E, 0x11, 0x14}, {0xF2, 0xF4, 0xF6}, 1, false};
    }
    return {};
}

// A zoom button under the pointer keeps its light face with a cyan ring and
// digits, so that it does not look checked.
Face ZoomFace(Look look) {
    if (look == Look::Pressed) {
        Face checked = RoundFace(Look::Hover);
        checked.shift = 1;
        checked.raised = false;
        return checked;
    }
    Face face = RoundFace(Look::Normal);
    if (look == Look::Hover) face.border = face.glyph = TransportFace(Look::Hover).glyph;
    return face;
}

// The loudspeaker: black when sound is off, blue on a sunken cap when on,
// cyan under the pointer.
Face SoundFace(Look look) {
    if (look == Look::Pressed)
        return {{0xE6, 0xEC, 0xF2}, {0xC9, 0xD2, 0xDC}, {0x2A, 0x78, 0xE4}, {0x1A, 0x6A, 0xE0}, 1, false};
    return TransportFace(look == Look::Hover ? Look::Hover : Look::Normal);
}

// --- glyphs, as whole pixels -------------------------------------------------

using Pixels = std::vector<QPoint>;

void AddBlock(Pixels& p, int x, int y, int w, int h) {
    for (int row = y; row < y + h; ++row)
        for (int col = x; col < x + w; ++col) p.emplace_back(col, row);
}

// A triangle pointing right, `h` rows high (odd), its flat side at column x.
void AddTriangleRight(Pixels& p, int x, int y, int h) {
    for (int c = 0; c < (h + 1) / 2; ++c) AddBlock(p, x + c, y + c, 1, h - 2 * c);
}

// A triangle pointing left, its tip at column x.
void AddTriangleLeft(Pixels& p, int x, int y, int h) {
    const int w = (h + 1) / 2;
    for (int c = 0; c < w; ++c) AddBlock(p, x + w - 1 - c, y + c, 1, h - 2 * c);
}

// A left chevron seven rows high, two pixels thick, its tip at column x.
void AddChevronLeft(Pixels& p, int x, int y) {
    for (int i = 0; i < 7; ++i) AddBlock(p, x + std::abs(i - 3), y + i, 2, 1);
}

// Rows of '#' for set pixels.
void AddRows(Pixels& p, int x, int y, std::initializer_list<const char*> rows) {
    int row = y;
    for (const char* text : rows) {
        for (int col = 0; text[col] != '\0'; ++col)
            if (text[col] == '#') p.emplace_back(x + col, row);
        ++row;
    }
}

void Stamp(QImage& image, const Pixels& pixels, int dy, const QColor& colour) {
    for (const QPoint& p : pixels) {
        const int y = p.y() + dy;
        if (image.rect().contains(p.x(), y)) image.setPixelColor(p.x(), y, colour);
    }
}

// --- faces -------------------------------------------------------------------

QImage Blank(int w, int h) {
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return image;
}

// A face drawn by `outline` (a rounded rectangle or an ellipse over a
// rectangle), sunk by the face's shift: a shadow below it when raised, then
// the vertical gradient inside its border.
template <typename Outline>
void DrawFace(QImage& image, QRect rect, const Face& face, Outline outline) {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    rect.translate(0, face.shift);
    if (face.raised) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 0, 0, 110));
        outline(painter, QRectF(rect).translated(0, 1), 0.0);
    }
    QLinearGradient gradient(0, rect.top(), 0, rect.bottom());
    gradient.setColorAt(0, face.top);
    gradient.setColorAt(1, face.bottom);
    painter.setBrush(gradient);
    painter.setPen(QPen(face.border, 1));
    outline(painter, QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5), 0.5);
}

// A rounded cap over the rectangle (x, y, w, h).
void DrawCap(QImage& image, QRect rect, int radius, const Face& face) {
    DrawFace(image, rect, face, [radius](QPainter& painter, const QRectF& r, double inset) {
        painter.drawRoundedRect(r, radius - inset, radius - inset);
    });
}

void DrawDisc(QImage& image, QRect rect, const Face& face) {
    DrawFace(image, rect, face, [](QPainter& painter, const QRectF& r, double) { painter.drawEllipse(r); });
}

// --- the buttons -------------------------------------------------------------

enum class Shape { Transport, Small, Round21, Round17 };

struct Button {
    Shape shape;
    std::function<Face(Look)> face;
    // The glyph of each look; most buttons have one for all.
    std::function<Pixels(Look)> glyph;
    int normal, pressed, hover, disabled;
    // Drawn on top of the pixel glyph, antialiased (the power symbol's ring).
    std::function<void(QImage&, const Face&)> extra = {};
};

QSize ShapeSize(Shape shape) {
    switch (shape) {
        case Shape::Transport: return {30, 27};
        case Shape::Small: return {15, 15};
        case Shape::Round21: return {21, 21};
        case Shape::Round17: return {17, 17};
    }
    return {};
}

QImage DrawButton(const Button& button, Look look) {
    const QSize size = ShapeSize(button.shape);
    QImage image = Blank(size.width(), size.height());
    const Face face = button.face(look);
    switch (button.shape) {
        case Shape::Transport: DrawCap(image, {2, 1, 26, 23}, 5, face); break;
        case Shape::Small: DrawCap(image, {1, 0, 13, 13}, 3, face); break;
        case Shape::Round21: DrawDisc(image, {1, 0, 19, 19}, face); break;
        case Shape::Round17: DrawDisc(image, {1, 0, 15, 15}, face); break;
    }
    Stamp(image, button.glyph(look), face.shift, face.glyph);
    if (button.extra) button.extra(image, face);
    return image;
}

Pixels Glyph(const std::function<void(Pixels&)>& draw) {
    Pixels p;
    draw(p);
    return p;
}

std::function<Pixels(Look)> Same(const std::function<void(Pixels&)>& draw) {
    Pixels p = Glyph(draw);
    return [p](Look) { return p; };
}

Pixels ZoomDigits(char digit) {
    Pixels p;
    int x = 4;
    switch (digit) {
        case '1':
            x = 5;
            AddRows(p, x, 4, {".##.", "###.", ".##.", ".##.", ".##.", ".##.", "####"});
            x += 5;
            break;
        case '2':
            AddRows(p, x, 4, {".###.", "##.##", "...##", "..##.", ".##..", "##...", "#####"});
            x += 6;
            break;
        default:
            AddRows(p, x, 4, {"####.", "...##", "...##", ".###.", "...##", "...##", "####."});
            x += 6;
            break;
    }
    AddRows(p, x, 7, {"#..#", ".##.", ".##.", "#..#"});
    return p;
}

void DrawPowerRing(QImage& image, const Face& face) {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(face.glyph, 2, Qt::SolidLine, Qt::FlatCap));
    painter.drawArc(QRectF(5.5, 5.0 + face.shift, 10, 10), 128 * 16, 284 * 16);
}

std::vector<Button> Buttons() {
    std::vector<Button> b;
    // Rewind: a double left chevron, back to the start.
    b.push_back({Shape::Small, TransportFace, Same([](Pixels& p) {
                     AddChevronLeft(p, 3, 3);
                     AddChevronLeft(p, 7, 3);
                 }),
                 191, 192, 190, 191});
    // Previous: a bar and a left triangle.
    b.push_back({Shape::Transport, TransportFace, Same([](Pixels& p) {
                     AddBlock(p, 10, 7, 2, 11);
                     AddTriangleLeft(p, 13, 7, 11);
                 }),
                 173, 180, 175, 172});
    // Pause: two bars.
    b.push_back({Shape::Transport, TransportFace, Same([](Pixels& p) {
                     AddBlock(p, 10, 7, 3, 11);
                     AddBlock(p, 17, 7, 3, 11);
                 }),
                 182, 183, 184, 181});
    // Next: a right triangle and a bar.
    b.push_back({Shape::Transport, TransportFace, Same([](Pixels& p) {
                     AddTriangleRight(p, 10, 7, 11);
                     AddBlock(p, 17, 7, 2, 11);
                 }),
                 169, 170, 171, 168});
    // Exit: the power symbol, a ring open at the top and a stroke through the gap.
    b.push_back({Shape::Round21, RoundFace, Same([](Pixels& p) { AddBlock(p, 10, 3, 2, 7); }), 141, 143, 140, 141,
                 DrawPowerRing});
    // Open: the eject symbol.
    b.push_back({Shape::Round17, RoundFace, Same([](Pixels& p) {
                     AddRows(p, 5, 4, {"...##...", "..####..", ".######.", "########"});
                     AddBlock(p, 5, 9, 8, 2);
                 }),
                 166, 167, 165, 166});
    // Menu: a list, three dots and three lines.
    b.push_back({Shape::Round17, RoundFace, Same([](Pixels& p) {
                     for (int row : {4, 7, 10}) {
                         AddBlock(p, 5, row, 2, 2);
                         AddBlock(p, 8, row, 5, 2);
                     }
                 }),
                 159, 160, 158, 159});
    // Play and back play: one triangle.
    b.push_back({Shape::Transport, TransportFace, Same([](Pixels& p) { AddTriangleRight(p, 12, 6, 13); }), 186, 187,
                 188, 185});
    b.push_back({Shape::Transport, TransportFace, Same([](Pixels& p) { AddTriangleLeft(p, 11, 6, 13); }), 206, 207,
                 208, 205});
    // Fast back and fast play: two triangles.
    b.push_back({Shape::Small, TransportFace, Same([](Pixels& p) {
                     AddTriangleLeft(p, 3, 3, 7);
                     AddTriangleLeft(p, 7, 3, 7);
                 }),
                 199, 200, 201, 194});
    b.push_back({Shape::Small, TransportFace, Same([](Pixels& p) {
                     AddTriangleRight(p, 4, 3, 7);
                     AddTriangleRight(p, 8, 3, 7);
                 }),
                 195, 196, 197, 198});
    // Sound: the loudspeaker alone when off; with its sound waves when on.
    b.push_back({Shape::Small, SoundFace,
                 [](Look look) {
                     Pixels p;
                     const int x = look == Look::Pressed ? 2 : 5;
                     AddBlock(p, x, 5, 2, 3);
                     AddBlock(p, x + 2, 4, 1, 5);
                     AddBlock(p, x + 3, 3, 1, 7);
                     AddBlock(p, x + 4, 2, 1, 9);
                     if (look == Look::Pressed) {
                         AddRows(p, 8, 2, {"..#.", "...#", "#..#", ".#.#", ".#.#", ".#.#", "#..#", "...#", "..#."});
                     }
                     return p;
                 },
                 204, 203, 212, 204});
    // Zoom: "1x", "2x", "3x".
    for (const auto& [digit, normal, checked, hover] :
         {std::tuple{'1', 150, 152, 209}, {'2', 153, 155, 210}, {'3', 156, 149, 211}}) {
        const char d = digit;
        b.push_back({Shape::Round17, ZoomFace, [d](Look) { return ZoomDigits(d); }, normal, checked, hover, normal});
    }
    return b;
}

// --- the sliders -------------------------------------------------------------

// The slider thumb: a light pill with a cyan grip; its corners (and the last
// row, which the slider never draws) are the transparent colour.
QImage DrawThumb() {
    QImage image(10, 13, QImage::Format_ARGB32);
    image.fill(kKey);
    const QColor border(0x7E, 0x88, 0x93);
    const QColor grip(0x19, 0xB8, 0xDC);
    for (int x = 1; x <= 8; ++x) {
        image.setPixelColor(x, 0, border);
        image.setPixelColor(x, 11, border);
    }
    for (int y = 1; y <= 10; ++y) {
        image.setPixelColor(0, y, border);
        image.setPixelColor(9, y, border);
        const int shade = 0xF4 - (y - 1) * (0xF4 - 0xCD) / 9;
        for (int x = 1; x <= 8; ++x) image.setPixelColor(x, y, QColor(shade, shade + 2, shade + 4));
    }
    for (int y = 3; y <= 8; ++y)
        for (int x = 4; x <= 5; ++x) image.setPixelColor(x, y, grip);
    return image;
}

// The groove the thumb runs along, from column x0 to x1, centred on the thumb.
void DrawGroove(QImage& image, int x0, int x1) {
    for (int x = x0; x <= x1; ++x) {
        image.setPixelColor(x, 5, QColor(0x0A, 0x0C, 0x0F));
        image.setPixelColor(x, 6, QColor(0x11, 0x14, 0x18));
        image.setPixelColor(x, 7, QColor(0x34, 0x3B, 0x44));
    }
}

// Volume: the groove over a wedge that grows to the right.
QImage DrawVolumeChannel() {
    QImage image(69, 21, QImage::Format_ARGB32);
    image.fill(kBase);
    DrawGroove(image, 8, 53);
    const QColor wedge(0x3A, 0x43, 0x4E);
    for (int x = 9; x <= 52; ++x) {
        const int height = 1 + (x - 9) * 6 / 43;
        for (int y = 16 - height + 1; y <= 16; ++y) image.setPixelColor(x, y, wedge);
    }
    return image;
}

// Speed: the groove with a tick under each of the six speed levels, growing
// with the speed. The ticks sit under the thumb's grip for positions 0, 20,
// ..., 100 of the slider as the bar places it (53 pixels wide).
QImage DrawSpeedChannel() {
    QImage image(66, 18, QImage::Format_ARGB32);
    image.fill(kBase);
    DrawGroove(image, 8, 47);
    const QColor tick(0x5A, 0x63, 0x6E);
    for (int level = 0; level <= 5; ++level) {
        const int thumbX = (53 - 15) * (level * 20) / 107 + 5;
        const int height = 2 + level / 2;
        for (int y = 10; y < 10 + height; ++y)
            for (int x = thumbX + 4; x <= thumbX + 5; ++x) image.setPixelColor(x, y, tick);
    }
    return image;
}

// --- the background ----------------------------------------------------------

void DrawWell(QPainter& painter, QRect rect, int radius) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(kWellLight);
    painter.drawRoundedRect(QRectF(rect).adjusted(0, 0, 0, 1), radius, radius);
    painter.setBrush(kWellShade);
    painter.drawRoundedRect(QRectF(rect), radius, radius);
    painter.setBrush(kWell);
    painter.drawRoundedRect(QRectF(rect).adjusted(0, 1, 0, 0), radius, radius);
}

// The block of controls, 354 x 61. Flat below its top line, so that the edge
// strip stretched on both sides of it matches it.
QImage DrawPanel() {
    QImage image(354, 61, QImage::Format_ARGB32);
    image.fill(kBase);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        DrawWell(painter, {7, 4, 176, 30}, 7);     // rewind ... next
        DrawWell(painter, {272, 37, 62, 21}, 10);  // the zoom buttons
    }
    for (int x = 0; x < image.width(); ++x) image.setPixelColor(x, 0, kTopLine);
    return image;
}

QImage DrawEdgeStrip() {
    QImage image(6, 72, QImage::Format_ARGB32);
    image.fill(kBase);
    for (int x = 0; x < image.width(); ++x) image.setPixelColor(x, 0, kTopLine);
    return image;
}

}  // namespace

QImage DrawIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 64.0, size / 64.0);
    // The bar's graphite tile with its top line.
    painter.setPen(QPen(kTopLine, 1.5));
    painter.setBrush(kBase);
    painter.drawRoundedRect(QRectF(3, 3, 58, 58), 11, 11);
    // Four camera pictures, one of them lit: the one being played.
    const QColor tile(0x3A, 0x43, 0x4E);
    const QColor lit(0x19, 0xB8, 0xDC);
    painter.setPen(Qt::NoPen);
    for (int row = 0; row < 2; ++row)
        for (int col = 0; col < 2; ++col) {
            painter.setBrush(row == 0 && col == 0 ? lit : tile);
            painter.drawRoundedRect(QRectF(11 + col * 22, 11 + row * 22, 19, 19), 3, 3);
        }
    // The play triangle over the middle, white with the bar's dark outline.
    QPolygonF triangle;
    triangle << QPointF(25, 19) << QPointF(47, 32) << QPointF(25, 45);
    painter.setPen(QPen(kWellShade, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(QColor(0xF5, 0xF7, 0xF9));
    painter.drawPolygon(triangle);
    return image;
}

std::vector<SkinImage> DrawSkin() {
    std::vector<SkinImage> images;
    std::set<int> drawn;
    auto add = [&](int id, QImage image) {
        if (drawn.insert(id).second) images.push_back({id, std::move(image)});
    };
    for (const Button& button : Buttons()) {
        add(button.normal, DrawButton(button, Look::Normal));
        add(button.pressed, DrawButton(button, Look::Pressed));
        add(button.hover, DrawButton(button, Look::Hover));
        add(button.disabled, DrawButton(button, Look::Disabled));
    }
    add(144, DrawThumb());
    add(148, DrawVolumeChannel());
    add(193, DrawSpeedChannel());
    add(136, DrawPanel());
    add(189, DrawEdgeStrip());
    std::sort(images.begin(), images.end(), [](const SkinImage& a, const SkinImage& b) { return a.id < b.id; });
    return images;
}

}  // namespace korvane::skin
