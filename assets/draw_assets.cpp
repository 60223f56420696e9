// draw_assets <assetsDir> <imagesDir>
//
// Draws every picture of txl: the window backgrounds, the picture buttons, the title picture, the
// toolbar images and the icons. The pictures are committed; run `make assets` after changing this
// file and look at the results.
//
// The picture buttons are cut out of the finished backgrounds at the places where the windows put
// them, so a button bitmap always matches the background around and behind it.

#include <QColor>
#include <QDir>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QString>
#include <QStringList>

#include <cmath>
#include <cstdio>
#include <numbers>

using namespace Qt::StringLiterals;

namespace {

// ---------------------------------------------------------------------------------------------
// Palette and fonts

const QColor kDeepBlue(0x1b, 0x4f, 0x96);
const QColor kBlue(0x2f, 0x6f, 0xc4);
const QColor kBrightBlue(0x4a, 0x8f, 0xe0);
const QColor kPaleBlue(0xdd, 0xea, 0xf8);
const QColor kMistBlue(0xf4, 0xf8, 0xfe);
const QColor kLineBlue(0xa9, 0xc3, 0xe4);
const QColor kFieldBorder(0x8c, 0xac, 0xd6);
const QColor kInk(0x1f, 0x3a, 0x60);
const QColor kSoftInk(0x5a, 0x74, 0x99);
const QColor kGreen(0x2e, 0x9e, 0x44);
const QColor kRed(0xd9, 0x3a, 0x32);

const QString kCjkFamily = u"WenQuanYi Micro Hei"_s;
const QString kSerifCjkFamily = u"AR PL UMing CN"_s;
const QString kLatinFamily = u"Liberation Sans"_s;

QFont cjkFont(int pixelSize, bool bold = false) {
    QFont f;
    f.setFamilies({kCjkFamily, kSerifCjkFamily});
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

// Latin letters in Liberation Sans, any Chinese in the same line falls back to Micro Hei.
QFont latinFont(int pixelSize, bool bold = false) {
    QFont f;
    f.setFamilies({kLatinFamily, kCjkFamily});
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

QImage newImage(int w, int h, const QColor &fill = Qt::transparent) {
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(fill);
    return img;
}

void setupPainter(QPainter &p) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
}

// Text with a faint shadow underneath, for light text on the blue bands.
void shadowedText(QPainter &p, const QRectF &r, int flags, const QString &text, const QColor &color,
                  const QColor &shadow = QColor(0, 0x20, 0x50, 90)) {
    p.setPen(shadow);
    p.drawText(r.translated(0, 1), flags, text);
    p.setPen(color);
    p.drawText(r, flags, text);
}

// ---------------------------------------------------------------------------------------------
// Shared pieces of the window pictures

// A body of mist blue with a blue title band on top.
void drawWindowFrame(QPainter &p, const QSize &size, int bandHeight) {
    const QRectF all(QPointF(0, 0), QSizeF(size));
    QLinearGradient body(0, bandHeight, 0, size.height());
    body.setColorAt(0, kMistBlue);
    body.setColorAt(1, kPaleBlue);
    p.fillRect(all, body);

    QLinearGradient band(0, 0, 0, bandHeight);
    band.setColorAt(0, kBrightBlue);
    band.setColorAt(1, kBlue);
    p.fillRect(QRectF(0, 0, size.width(), bandHeight), band);

    // A soft gloss over the top half of the band.
    QLinearGradient gloss(0, 0, 0, bandHeight / 2.0);
    gloss.setColorAt(0, QColor(255, 255, 255, 70));
    gloss.setColorAt(1, QColor(255, 255, 255, 10));
    p.fillRect(QRectF(0, 0, size.width(), bandHeight / 2.0), gloss);

    // A few faint rings at the right end of the band.
    p.save();
    p.setClipRect(QRectF(0, 0, size.width(), bandHeight));
    p.setPen(QPen(QColor(255, 255, 255, 28), 1.2));
    p.setBrush(Qt::NoBrush);
    const double cx = size.width() - 70;
    for (int i = 0; i < 4; ++i) {
        const double r = 18 + i * 14;
        p.drawEllipse(QPointF(cx, bandHeight * 0.35), r, r);
    }
    p.restore();

    p.fillRect(QRectF(0, bandHeight, size.width(), 1), QColor(0x17, 0x45, 0x85));
    p.fillRect(QRectF(0, bandHeight + 1, size.width(), 1), QColor(255, 255, 255, 200));

    // Thin outline around the window so the borderless window stands off the desktop.
    p.setPen(QPen(QColor(0x1b, 0x4f, 0x96, 200), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(all.adjusted(0.5, 0.5, -0.5, -0.5));
}

// A light entry area; the real edit field sits inside it without a border of its own.
void drawField(QPainter &p, const QRectF &r) {
    p.setPen(QPen(kFieldBorder, 1));
    p.setBrush(Qt::white);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
    // A hint of depth on the inner top edge.
    p.setPen(QPen(QColor(0x1b, 0x4f, 0x96, 30), 1));
    p.drawLine(QPointF(r.left() + 2, r.top() + 1.5), QPointF(r.right() - 2, r.top() + 1.5));
}

// Caption right-aligned so that it ends just left of its field, centred on the field's height.
void drawCaption(QPainter &p, double right, double centreY, const QString &text, int px = 13) {
    p.setFont(cjkFont(px));
    p.setPen(kInk);
    p.drawText(QRectF(right - 140, centreY - 12, 140, 24), Qt::AlignRight | Qt::AlignVCenter, text);
}

enum class ButtonLook { Primary, Secondary, Hover, Pressed };

// A rounded push button filling `r`, drawn over whatever is already there.
void drawButton(QPainter &p, const QRectF &r, const QString &text, ButtonLook look, int px = 13) {
    const QRectF box = r.adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient g(0, r.top(), 0, r.bottom());
    QColor border;
    QColor textColor;
    bool light = true;
    switch (look) {
    case ButtonLook::Primary:
        g.setColorAt(0, QColor(0x5c, 0x9d, 0xea));
        g.setColorAt(0.5, QColor(0x3a, 0x7f, 0xd6));
        g.setColorAt(1, QColor(0x25, 0x63, 0xb8));
        border = QColor(0x1a, 0x4c, 0x91);
        textColor = Qt::white;
        light = false;
        break;
    case ButtonLook::Secondary:
        g.setColorAt(0, QColor(0xff, 0xff, 0xff));
        g.setColorAt(1, QColor(0xd6, 0xe3, 0xf4));
        border = QColor(0x7e, 0x9c, 0xc6);
        textColor = kInk;
        break;
    case ButtonLook::Hover:
        g.setColorAt(0, QColor(0xf0, 0xf7, 0xff));
        g.setColorAt(1, QColor(0xb9, 0xd6, 0xf6));
        border = QColor(0x2f, 0x6f, 0xc4);
        textColor = kDeepBlue;
        break;
    case ButtonLook::Pressed:
        g.setColorAt(0, QColor(0xa9, 0xc5, 0xe8));
        g.setColorAt(1, QColor(0xd2, 0xe2, 0xf5));
        border = QColor(0x1f, 0x5a, 0xa6);
        textColor = kDeepBlue;
        break;
    }
    // Drop shadow one pixel below, except when pressed in.
    if (look != ButtonLook::Pressed) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x10, 0x30, 0x60, 40));
        p.drawRoundedRect(box.translated(0, 1), 3.5, 3.5);
    }
    p.setPen(QPen(border, 1));
    p.setBrush(g);
    p.drawRoundedRect(box.adjusted(0, 0, 0, -1), 3.5, 3.5);
    // Inner highlight along the top, or an inner shade when pressed.
    if (look == ButtonLook::Pressed) {
        p.setPen(QPen(QColor(0x10, 0x30, 0x60, 60), 1));
        p.drawLine(QPointF(box.left() + 2.5, box.top() + 1.5), QPointF(box.right() - 2.5, box.top() + 1.5));
    } else {
        p.setPen(QPen(QColor(255, 255, 255, light ? 230 : 110), 1));
        p.drawLine(QPointF(box.left() + 2.5, box.top() + 1.5), QPointF(box.right() - 2.5, box.top() + 1.5));
    }
    QRectF textRect = r.adjusted(0, 0, 0, -1);
    if (look == ButtonLook::Pressed)
        textRect.translate(1, 1);
    p.setFont(cjkFont(px, look == ButtonLook::Primary));
    if (look == ButtonLook::Primary)
        shadowedText(p, textRect, Qt::AlignCenter, text, textColor, QColor(0, 0x20, 0x50, 110));
    else {
        p.setPen(textColor);
        p.drawText(textRect, Qt::AlignCenter, text);
    }
}

// The close mark: a white cross in a faint square, for the right end of the title band. Only the
// top `visibleHeight` rows of the bitmap may be shown by the window, so the mark fits in them.
void drawCloseMark(QPainter &p, const QRectF &r, double visibleHeight) {
    const QRectF box(r.left() + 0.5, r.top() + 0.5, r.width() - 1, visibleHeight - 1);
    p.setPen(QPen(QColor(255, 255, 255, 110), 1));
    p.setBrush(QColor(255, 255, 255, 38));
    p.drawRoundedRect(box, 3, 3);
    const QPointF c = box.center();
    const double d = std::min(box.width(), box.height()) * 0.23;
    p.setPen(QPen(QColor(0, 0x20, 0x50, 80), 2.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c + QPointF(-d, -d + 1), c + QPointF(d, d + 1));
    p.drawLine(c + QPointF(d, -d + 1), c + QPointF(-d, d + 1));
    p.setPen(QPen(Qt::white, 2.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c + QPointF(-d, -d), c + QPointF(d, d));
    p.drawLine(c + QPointF(d, -d), c + QPointF(-d, d));
}

// Small glyphs used next to the captions and in the icons ---------------------------------------

// A person: round head over rounded shoulders, inside the square `r`.
void drawPerson(QPainter &p, const QRectF &r, const QColor &color, const QColor &outline = Qt::transparent) {
    const double s = r.width();
    const QPointF head(r.left() + s * 0.5, r.top() + s * 0.30);
    const double hr = s * 0.21;
    QPainterPath body;
    const QRectF shoulders(r.left() + s * 0.10, r.top() + s * 0.56, s * 0.80, s * 0.80);
    body.moveTo(shoulders.left(), r.bottom());
    body.arcTo(shoulders, 180, -180);
    body.lineTo(shoulders.right(), r.bottom());
    body.closeSubpath();
    QPainterPath all = body.united([&] {
        QPainterPath h;
        h.addEllipse(head, hr, hr);
        return h;
    }());
    if (outline.alpha() > 0)
        p.setPen(QPen(outline, 1));
    else
        p.setPen(Qt::NoPen);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, color.lighter(125));
    g.setColorAt(1, color);
    p.setBrush(g);
    p.drawPath(all);
}

// A padlock inside the square `r`.
void drawLock(QPainter &p, const QRectF &r, const QColor &color) {
    const double s = r.width();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(color, s * 0.13));
    const QRectF shackle(r.left() + s * 0.28, r.top() + s * 0.08, s * 0.44, s * 0.56);
    p.drawArc(shackle, 0, 180 * 16);
    p.drawLine(QPointF(shackle.left(), shackle.center().y()), QPointF(shackle.left(), r.top() + s * 0.48));
    p.drawLine(QPointF(shackle.right(), shackle.center().y()), QPointF(shackle.right(), r.top() + s * 0.48));
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, color.lighter(130));
    g.setColorAt(1, color);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(QRectF(r.left() + s * 0.14, r.top() + s * 0.44, s * 0.72, s * 0.52), s * 0.08, s * 0.08);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(r.left() + s * 0.5, r.top() + s * 0.66), s * 0.07, s * 0.07);
}

// The program's emblem: a blue rounded square holding a white address book with a person on it.
void drawEmblem(QPainter &p, const QRectF &r) {
    const double s = r.width();
    const bool tiny = s <= 20;
    QLinearGradient bg(r.topLeft(), r.bottomRight());
    bg.setColorAt(0, QColor(0x5a, 0x9c, 0xeb));
    bg.setColorAt(1, QColor(0x1b, 0x4f, 0x96));
    p.setPen(tiny ? Qt::NoPen : QPen(QColor(0x14, 0x3e, 0x78), std::max(1.0, s / 64)));
    p.setBrush(bg);
    const double inset = tiny ? 0 : s * 0.02;
    p.drawRoundedRect(r.adjusted(inset, inset, -inset, -inset), s * 0.2, s * 0.2);
    if (!tiny) {
        QLinearGradient gloss(r.topLeft(), QPointF(r.left(), r.top() + s * 0.5));
        gloss.setColorAt(0, QColor(255, 255, 255, 80));
        gloss.setColorAt(1, QColor(255, 255, 255, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(gloss);
        p.drawRoundedRect(r.adjusted(s * 0.04, s * 0.04, -s * 0.04, -s * 0.5), s * 0.16, s * 0.16);
    }

    if (tiny) {
        // At toolbar size only the page and a bold person read.
        const double k = s / 16.0;
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(r.left() + 3 * k, r.top() + 2 * k, 10 * k, 12 * k), k, k);
        p.setBrush(QColor(0xc9, 0xdc, 0xf4));
        p.drawRect(QRectF(r.left() + 4 * k, r.top() + 2 * k, k, 12 * k));
        drawPerson(p, QRectF(r.left() + 5.5 * k, r.top() + 3.5 * k, 7 * k, 7.5 * k), QColor(0x1b, 0x4f, 0x96));
        p.setBrush(QColor(0x8c, 0xac, 0xd6));
        p.drawRect(QRectF(r.left() + 6 * k, r.top() + 12 * k, 6 * k, k));
        return;
    }

    // The book: a white page block with a blue spine on the left.
    const QRectF book(r.left() + s * 0.22, r.top() + s * 0.16, s * 0.60, s * 0.68);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x0e, 0x2f, 0x5e, 70));
    p.drawRoundedRect(book.translated(s * 0.02, s * 0.03), s * 0.06, s * 0.06);
    p.setBrush(Qt::white);
    p.drawRoundedRect(book, s * 0.06, s * 0.06);
    p.setBrush(QColor(0xc9, 0xdc, 0xf4));
    p.drawRect(QRectF(book.left() + s * 0.10, book.top(), s * 0.03, book.height()));
    if (!tiny) {
        // Rings binding the spine.
        p.setPen(QPen(QColor(0x1b, 0x4f, 0x96), s * 0.03, Qt::SolidLine, Qt::RoundCap));
        for (int i = 0; i < 4; ++i) {
            const double y = book.top() + book.height() * (0.18 + 0.21 * i);
            p.drawLine(QPointF(book.left() - s * 0.05, y), QPointF(book.left() + s * 0.06, y));
        }
        // Index tabs on the right edge.
        p.setPen(Qt::NoPen);
        const QColor tabs[] = {QColor(0xf2, 0xa5, 0x3a), QColor(0x5c, 0xb8, 0x5c), QColor(0xe5, 0x5b, 0x52)};
        for (int i = 0; i < 3; ++i) {
            p.setBrush(tabs[i]);
            p.drawRoundedRect(QRectF(book.right() - s * 0.01, book.top() + s * (0.08 + 0.13 * i), s * 0.07, s * 0.10),
                              s * 0.02, s * 0.02);
        }
    }
    // A person on the page.
    const double ps = book.width() * 0.62;
    drawPerson(p, QRectF(book.left() + book.width() * 0.26, book.top() + book.height() * 0.14, ps, ps),
               QColor(0x2f, 0x6f, 0xc4));
    // Lines of an address under the person.
    p.setPen(QPen(QColor(0x8c, 0xac, 0xd6), std::max(1.0, s * 0.035), Qt::SolidLine, Qt::RoundCap));
    const double lx0 = book.left() + book.width() * 0.30;
    const double lx1 = book.right() - book.width() * 0.12;
    if (tiny) {
        p.drawLine(QPointF(lx0, book.bottom() - 2.5), QPointF(lx1, book.bottom() - 2.5));
    } else {
        p.drawLine(QPointF(lx0, book.top() + book.height() * 0.76), QPointF(lx1, book.top() + book.height() * 0.76));
        p.drawLine(QPointF(lx0, book.top() + book.height() * 0.87),
                   QPointF(lx1 - book.width() * 0.15, book.top() + book.height() * 0.87));
    }
}

// ---------------------------------------------------------------------------------------------
// The login window

// Places on the login background (the picture lies at -1, -2 in the window, so a control at
// x, y in the window is at x + 1, y + 2 on the picture).
constexpr int kLoginDx = 1;
constexpr int kLoginDy = 2;
const QRect kLoginChooser(107 + kLoginDx, 80 + kLoginDy, 139, 21);
const QRect kLoginPassword(109 + kLoginDx, 123 + kLoginDy, 121, 16);
const QRect kLoginButton(60 + 4 + kLoginDx, 177 + kLoginDy, 65, 24);   // 65 x 24 centred in 73 x 25
const QRect kLoginExit(189 + kLoginDx, 178 + kLoginDy, 63, 23);
const QRect kLoginClose(288 + kLoginDx, 0 + kLoginDy, 18, 19);
constexpr int kLoginCloseVisible = 16;   // the close control is only 16 pixels high

QImage loginBase() {
    QImage img = newImage(312, 212);
    QPainter p(&img);
    setupPainter(p);
    drawWindowFrame(p, img.size(), 58);

    drawEmblem(p, QRectF(14, 12, 34, 34));
    p.setFont(cjkFont(21, true));
    shadowedText(p, QRectF(58, 9, 200, 26), Qt::AlignLeft | Qt::AlignVCenter, u"用户登录"_s, Qt::white);
    p.setFont(cjkFont(11));
    shadowedText(p, QRectF(59, 34, 220, 16), Qt::AlignLeft | Qt::AlignVCenter, u"同学录 · 同学通讯录管理系统"_s,
                 QColor(0xdc, 0xea, 0xfb));

    // The sign-in panel.
    const QRectF panel(16, 70, 280, 88);
    p.setPen(QPen(QColor(0xc2, 0xd5, 0xee), 1));
    p.setBrush(QColor(255, 255, 255, 150));
    p.drawRoundedRect(panel.adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);

    const double nameY = kLoginChooser.center().y() + 0.5;
    const double passY = kLoginPassword.center().y() + 0.5;
    drawPerson(p, QRectF(22, nameY - 7, 14, 14), kBlue);
    drawLock(p, QRectF(22, passY - 7.5, 14, 14), kBlue);
    drawCaption(p, kLoginChooser.left() - 4, nameY, u"用户名称："_s);
    drawCaption(p, kLoginPassword.left() - 6, passY, u"用户密码："_s);

    // The chooser brings its own frame; the field under it only shows where it goes.
    drawField(p, QRectF(kLoginChooser));
    drawField(p, QRectF(kLoginPassword).adjusted(-3, -3, 3, 3));

    p.setPen(QPen(kLineBlue, 1));
    p.drawLine(QPointF(16, 169.5), QPointF(296, 169.5));
    p.setPen(QPen(QColor(255, 255, 255, 220), 1));
    p.drawLine(QPointF(16, 170.5), QPointF(296, 170.5));
    return img;
}

// ---------------------------------------------------------------------------------------------
// The password window

// The picture lies at -1, -1 in the window.
constexpr int kPwdDx = 1;
constexpr int kPwdDy = 1;
const QPoint kPwdUser(101 + kPwdDx, 39 + kPwdDy);
const QRect kPwdNew(102 + kPwdDx, 64 + kPwdDy, 116, 17);
const QRect kPwdRepeat(102 + kPwdDx, 96 + kPwdDy, 116, 17);
const QRect kPwdConfirm(36 + kPwdDx, 165 + kPwdDy, 58, 23);
const QRect kPwdExit(160 + kPwdDx, 166 + kPwdDy, 63, 23);
const QRect kPwdClose(243 + kPwdDx, 2 + kPwdDy, 18, 19);

void drawKey(QPainter &p, const QRectF &r, const QColor &metal);

QImage passwordBase() {
    QImage img = newImage(267, 206);
    QPainter p(&img);
    setupPainter(p);
    drawWindowFrame(p, img.size(), 28);

    drawKey(p, QRectF(9, 6, 16, 16), QColor(0xf5, 0xc2, 0x42));
    p.setFont(cjkFont(16, true));
    shadowedText(p, QRectF(31, 2, 150, 24), Qt::AlignLeft | Qt::AlignVCenter, u"修改密码"_s, Qt::white);

    const QRectF panel(14, 34, 239, 92);
    p.setPen(QPen(QColor(0xc2, 0xd5, 0xee), 1));
    p.setBrush(QColor(255, 255, 255, 150));
    p.drawRoundedRect(panel.adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);

    // The user label is plain text in the window: leave its line light and mark it with a rule.
    const double userY = kPwdUser.y() + 7;
    drawCaption(p, kPwdUser.x() - 3, userY, u"操作员："_s);
    p.setPen(QPen(kLineBlue, 1, Qt::DotLine));
    p.drawLine(QPointF(kPwdUser.x(), kPwdUser.y() + 15.5), QPointF(kPwdNew.right() + 2, kPwdUser.y() + 15.5));

    drawCaption(p, kPwdNew.left() - 5, kPwdNew.center().y() + 0.5, u"新密码："_s);
    drawCaption(p, kPwdRepeat.left() - 5, kPwdRepeat.center().y() + 0.5, u"再次输入："_s);
    drawField(p, QRectF(kPwdNew).adjusted(-3, -3, 3, 3));
    drawField(p, QRectF(kPwdRepeat).adjusted(-3, -3, 3, 3));

    p.setPen(QPen(kLineBlue, 1));
    p.drawLine(QPointF(14, 150.5), QPointF(253, 150.5));
    p.setPen(QPen(QColor(255, 255, 255, 220), 1));
    p.drawLine(QPointF(14, 151.5), QPointF(253, 151.5));
    return img;
}

// ---------------------------------------------------------------------------------------------
// The title picture of the loading and about windows

QImage titlePicture() {
    const int w = 397;
    const int h = 283;
    QImage img = newImage(w, h);
    QPainter p(&img);
    setupPainter(p);

    // Light body.
    QLinearGradient body(0, 120, 0, h);
    body.setColorAt(0, QColor(0xfb, 0xfd, 0xff));
    body.setColorAt(1, QColor(0xe2, 0xed, 0xf9));
    p.fillRect(img.rect(), body);

    // Blue band with a wavy lower edge.
    QPainterPath band;
    band.moveTo(0, 0);
    band.lineTo(w, 0);
    band.lineTo(w, 112);
    band.cubicTo(300, 150, 150, 104, 0, 136);
    band.closeSubpath();
    QLinearGradient bandFill(0, 0, w, 140);
    bandFill.setColorAt(0, QColor(0x3f, 0x85, 0xdc));
    bandFill.setColorAt(1, QColor(0x19, 0x4b, 0x91));
    p.setPen(Qt::NoPen);
    p.setBrush(bandFill);
    p.drawPath(band);

    // A lighter second wave following the first.
    QPainterPath wave;
    wave.moveTo(0, 136);
    wave.cubicTo(150, 104, 300, 150, w, 112);
    wave.lineTo(w, 120);
    wave.cubicTo(300, 158, 150, 112, 0, 144);
    wave.closeSubpath();
    p.setBrush(QColor(0x8c, 0xb8, 0xeb, 120));
    p.drawPath(wave);

    p.save();
    p.setClipPath(band);
    // Soft light spots.
    const struct {
        double x, y, r;
        int a;
    } spots[] = {{330, 20, 70, 45}, {250, 95, 40, 30}, {60, -10, 60, 35}, {380, 100, 30, 30}};
    for (const auto &s : spots) {
        QRadialGradient g(s.x, s.y, s.r);
        g.setColorAt(0, QColor(255, 255, 255, s.a));
        g.setColorAt(1, QColor(255, 255, 255, 0));
        p.setBrush(g);
        p.drawEllipse(QPointF(s.x, s.y), s.r, s.r);
    }
    // Three classmates, side by side, in translucent white.
    const QColor mate(255, 255, 255, 70);
    // They stand behind the wave, which cuts them off at the chest.
    drawPerson(p, QRectF(256, 44, 58, 80), mate);
    drawPerson(p, QRectF(334, 40, 58, 80), mate);
    drawPerson(p, QRectF(288, 26, 70, 100), QColor(255, 255, 255, 105));
    p.restore();

    // The emblem and the title.
    drawEmblem(p, QRectF(24, 24, 56, 56));
    p.setFont(cjkFont(44, true));
    shadowedText(p, QRectF(94, 16, 200, 56), Qt::AlignLeft | Qt::AlignVCenter, u"同学录"_s, Qt::white,
                 QColor(0, 0x18, 0x40, 110));
    p.setFont(cjkFont(15));
    shadowedText(p, QRectF(96, 70, 240, 20), Qt::AlignLeft | Qt::AlignVCenter, u"同学通讯录管理系统"_s,
                 QColor(0xe4, 0xef, 0xfc));
    p.setFont(latinFont(10));
    p.setPen(QColor(0xb8, 0xd3, 0xf4));
    p.drawText(QRectF(97, 90, 240, 14), Qt::AlignLeft | Qt::AlignVCenter, u"CLASSMATES ADDRESS BOOK"_s);

    // The loading window writes "正在加载中：" and its dots at 16, 152 in black: the band's wave
    // stays above y 145 there and the body below is plain.

    // Features, quietly, on the right of the body.
    p.setFont(cjkFont(12));
    const QStringList features = {u"同学信息  集中管理"_s, u"查找浏览  方便快捷"_s, u"报表打印  一目了然"_s};
    for (int i = 0; i < features.size(); ++i) {
        const double y = 166 + i * 22;
        p.setPen(Qt::NoPen);
        p.setBrush(kBrightBlue);
        p.drawEllipse(QPointF(244, y + 8), 2.5, 2.5);
        p.setPen(kSoftInk);
        p.drawText(QRectF(254, y, 140, 16), Qt::AlignLeft | Qt::AlignVCenter, features.at(i));
    }

    // Footer: version on the left, credits on the right.
    p.setPen(QPen(QColor(0xbf, 0xd3, 0xec), 1));
    p.drawLine(QPointF(16, 247.5), QPointF(w - 16, 247.5));
    p.setPen(QPen(QColor(255, 255, 255), 1));
    p.drawLine(QPointF(16, 248.5), QPointF(w - 16, 248.5));
    p.setFont(latinFont(12));
    p.setPen(kSoftInk);
    p.drawText(QRectF(16, 254, 160, 20), Qt::AlignLeft | Qt::AlignVCenter, u"版本 1.0"_s);
    p.drawText(QRectF(w - 216, 254, 200, 20), Qt::AlignRight | Qt::AlignVCenter, u"txl 开发组  © 2026"_s);

    // Outline, as on the other borderless windows.
    p.setPen(QPen(QColor(0x1b, 0x4f, 0x96, 200), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, w - 1, h - 1));
    return img;
}

// ---------------------------------------------------------------------------------------------
// 16 x 16 toolbar and menu images. Coordinates are pixels; x.5 is a pixel's centre.

QPen px(const QColor &c, double width = 1.0) {
    return QPen(c, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

QLinearGradient vertical(double top, double bottom, const QColor &a, const QColor &b) {
    QLinearGradient g(0, top, 0, bottom);
    g.setColorAt(0, a);
    g.setColorAt(1, b);
    return g;
}

// A round badge with a white outline, used for the plus and minus of add and delete.
void badge(QPainter &p, const QPointF &c, double r, const QColor &color) {
    p.setPen(QPen(Qt::white, 1.2));
    p.setBrush(vertical(c.y() - r, c.y() + r, color.lighter(130), color));
    p.drawEllipse(c, r, r);
}

void iconAddressBook(QPainter &p)   // 0
{
    p.setPen(px(QColor(0x1b, 0x4f, 0x96)));
    p.setBrush(vertical(1, 15, QColor(0x5a, 0x9c, 0xeb), QColor(0x2f, 0x6f, 0xc4)));
    p.drawRoundedRect(QRectF(2.5, 1.5, 11, 13), 1.5, 1.5);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(5, 3, 7, 9));
    drawPerson(p, QRectF(5.5, 3.5, 6, 6), QColor(0x2f, 0x6f, 0xc4));
    p.setPen(px(QColor(0x8c, 0xac, 0xd6)));
    p.drawLine(QPointF(6.5, 10.5), QPointF(10.5, 10.5));
}

void iconFolder(QPainter &p)   // 1
{
    const QColor edge(0xb0, 0x7a, 0x12);
    p.setPen(px(edge));
    p.setBrush(QColor(0xf0, 0xc0, 0x50));
    QPainterPath back;
    back.moveTo(1.5, 13.5);
    back.lineTo(1.5, 3.5);
    back.lineTo(5.5, 3.5);
    back.lineTo(7, 5.5);
    back.lineTo(13.5, 5.5);
    back.lineTo(13.5, 13.5);
    back.closeSubpath();
    p.drawPath(back);
    QPainterPath front;
    front.moveTo(1.5, 13.5);
    front.lineTo(4, 7.5);
    front.lineTo(15.5, 7.5);
    front.lineTo(13.5, 13.5);
    front.closeSubpath();
    p.setBrush(vertical(7, 14, QColor(0xff, 0xe0, 0x8a), QColor(0xf3, 0xb9, 0x3a)));
    p.drawPath(front);
}

void iconSave(QPainter &p)   // 2
{
    p.setPen(px(QColor(0x1b, 0x4f, 0x96)));
    p.setBrush(vertical(1, 15, QColor(0x5a, 0x9c, 0xeb), QColor(0x2a, 0x64, 0xb4)));
    QPainterPath body;
    body.moveTo(1.5, 1.5);
    body.lineTo(12.5, 1.5);
    body.lineTo(14.5, 3.5);
    body.lineTo(14.5, 14.5);
    body.lineTo(1.5, 14.5);
    body.closeSubpath();
    p.drawPath(body);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4, 2, 7, 5));
    p.setBrush(QColor(0x1b, 0x4f, 0x96));
    p.drawRect(QRectF(8, 3, 2, 3));
    p.setBrush(QColor(0xdd, 0xea, 0xf8));
    p.drawRect(QRectF(4, 9, 8, 5));
}

void iconSearch(QPainter &p)   // 3
{
    p.setPen(QPen(QColor(0x5a, 0x5a, 0x5a), 2.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(10, 10), QPointF(14, 14));
    p.setPen(px(QColor(0x3a, 0x58, 0x80), 1.6));
    QRadialGradient g(5, 5, 6);
    g.setColorAt(0, Qt::white);
    g.setColorAt(1, QColor(0xb9, 0xd6, 0xf6));
    p.setBrush(g);
    p.drawEllipse(QPointF(6.5, 6.5), 4.5, 4.5);
}

void iconPrint(QPainter &p)   // 4
{
    // Paper feeding in at the top.
    p.setPen(px(QColor(0x7a, 0x86, 0x96)));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 1.5, 7, 5));
    // Body.
    p.setPen(px(QColor(0x3c, 0x4a, 0x5e)));
    p.setBrush(vertical(5, 12, QColor(0xa9, 0xb8, 0xcc), QColor(0x6b, 0x7d, 0x96)));
    p.drawRoundedRect(QRectF(1.5, 5.5, 13, 6), 1.5, 1.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x4c, 0xd0, 0x60));
    p.drawRect(QRectF(11, 7, 2, 1));
    // The printed sheet coming out.
    p.setPen(px(QColor(0x7a, 0x86, 0x96)));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(3.5, 9.5, 9, 5));
    p.setPen(px(QColor(0x4a, 0x8f, 0xe0)));
    p.drawLine(QPointF(5, 11.5), QPointF(11, 11.5));
    p.drawLine(QPointF(5, 13), QPointF(9, 13));
}

void iconEdit(QPainter &p)   // 5
{
    p.save();
    p.translate(8, 8);
    p.rotate(45);
    p.setPen(px(QColor(0x8a, 0x5a, 0x10)));
    p.setBrush(vertical(-2, 2, QColor(0xff, 0xd8, 0x60), QColor(0xe8, 0xa0, 0x20)));
    p.drawRect(QRectF(-5, -2, 9, 4));
    p.setBrush(QColor(0xe8, 0x8a, 0x90));
    p.drawRect(QRectF(-7.5, -2, 2.5, 4));
    QPainterPath tip;
    tip.moveTo(4, -2);
    tip.lineTo(7.5, 0);
    tip.lineTo(4, 2);
    tip.closeSubpath();
    p.setBrush(QColor(0xf5, 0xde, 0xb3));
    p.drawPath(tip);
    p.restore();
    p.setPen(px(QColor(0x2f, 0x6f, 0xc4)));
    p.drawLine(QPointF(1.5, 14.5), QPointF(8.5, 14.5));
}

void iconDelete(QPainter &p)   // 6
{
    drawPerson(p, QRectF(0, 0.5, 12, 13), QColor(0x2f, 0x6f, 0xc4));
    badge(p, QPointF(11.3, 11.3), 4.2, kRed);
    p.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(9, 11.3), QPointF(13.6, 11.3));
}

void iconRefresh(QPainter &p)   // 7
{
    // Two arcs chasing each other round a circle, each ending in an arrowhead.
    const QColor c(0x2e, 0x9e, 0x44);
    p.setPen(QPen(c, 1.8, Qt::SolidLine, Qt::FlatCap));
    p.setBrush(Qt::NoBrush);
    const QRectF ring(3, 3, 10, 10);
    p.drawArc(ring, 60 * 16, 120 * 16);
    p.drawArc(ring, 240 * 16, 120 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    QPainterPath down;   // at the left end, heading down
    down.moveTo(0.2, 7.4);
    down.lineTo(5.8, 7.4);
    down.lineTo(3, 11.4);
    down.closeSubpath();
    QPainterPath up;   // at the right end, heading up
    up.moveTo(10.2, 8.6);
    up.lineTo(15.8, 8.6);
    up.lineTo(13, 4.6);
    up.closeSubpath();
    p.drawPath(down);
    p.drawPath(up);
}

void iconSettings(QPainter &p)   // 8
{
    QPainterPath gear;
    const int teeth = 8;
    const QPointF c(8, 8);
    for (int i = 0; i < teeth * 2; ++i) {
        const double a0 = (i - 0.5) * std::numbers::pi / teeth;
        const double a1 = (i + 0.5) * std::numbers::pi / teeth;
        const double r = (i % 2 == 0) ? 7.2 : 5.4;
        const QPointF p0 = c + QPointF(std::cos(a0) * r, std::sin(a0) * r);
        const QPointF p1 = c + QPointF(std::cos(a1) * r, std::sin(a1) * r);
        if (i == 0)
            gear.moveTo(p0);
        else
            gear.lineTo(p0);
        gear.lineTo(p1);
    }
    gear.closeSubpath();
    QPainterPath hole;
    hole.addEllipse(c, 2.2, 2.2);
    gear = gear.subtracted(hole);
    p.setPen(px(QColor(0x3c, 0x4a, 0x5e)));
    p.setBrush(vertical(1, 15, QColor(0xc4, 0xcf, 0xdd), QColor(0x6b, 0x7d, 0x96)));
    p.drawPath(gear);
}

void iconAdd(QPainter &p)   // 9
{
    drawPerson(p, QRectF(0, 0.5, 12, 13), QColor(0x2f, 0x6f, 0xc4));
    badge(p, QPointF(11.3, 11.3), 4.2, kGreen);
    p.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(9, 11.3), QPointF(13.6, 11.3));
    p.drawLine(QPointF(11.3, 9), QPointF(11.3, 13.6));
}

void iconAbout(QPainter &p)   // 10
{
    p.setPen(px(QColor(0x1b, 0x4f, 0x96)));
    QRadialGradient g(6, 5, 10);
    g.setColorAt(0, QColor(0x6c, 0xa8, 0xf0));
    g.setColorAt(1, QColor(0x22, 0x5c, 0xae));
    p.setBrush(g);
    p.drawEllipse(QPointF(8, 8), 7, 7);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(8, 4.6), 1.3, 1.3);
    p.drawRect(QRectF(7, 7, 2, 5));
    p.drawRect(QRectF(6, 7, 1.5, 1));
    p.drawRect(QRectF(6, 11, 4, 1.2));
}

void iconHelp(QPainter &p)   // 11
{
    p.setPen(px(QColor(0xb0, 0x6a, 0x10)));
    p.setBrush(vertical(1, 15, QColor(0xff, 0xc8, 0x5a), QColor(0xe8, 0x8c, 0x1e)));
    p.drawEllipse(QPointF(8, 8), 7, 7);
    p.setPen(Qt::white);
    p.setFont(latinFont(11, true));
    p.drawText(QRectF(0, 0, 16, 16.5), Qt::AlignCenter, u"?"_s);
}

void iconExit(QPainter &p)   // 12
{
    // Door frame and the open door.
    p.setPen(px(QColor(0x5a, 0x3a, 0x1a)));
    p.setBrush(QColor(0xf4, 0xf4, 0xf0));
    p.drawRect(QRectF(1.5, 1.5, 8, 13));
    QPainterPath door;
    door.moveTo(1.5, 1.5);
    door.lineTo(6.5, 3);
    door.lineTo(6.5, 15.5);
    door.lineTo(1.5, 14.5);
    door.closeSubpath();
    p.setBrush(vertical(1, 15, QColor(0xc8, 0x8a, 0x4a), QColor(0x8e, 0x56, 0x24)));
    p.drawPath(door);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xff, 0xe0, 0x80));
    p.drawEllipse(QPointF(5.3, 8.8), 0.8, 0.8);
    // The arrow leaving.
    const QColor arrow(0x2e, 0x9e, 0x44);
    p.setPen(QPen(arrow, 2, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(8, 8), QPointF(12, 8));
    p.setPen(Qt::NoPen);
    p.setBrush(arrow);
    QPainterPath head;
    head.moveTo(11, 4.5);
    head.lineTo(15.5, 8);
    head.lineTo(11, 11.5);
    head.closeSubpath();
    p.drawPath(head);
}

void iconCalendar(QPainter &p)   // 13
{
    p.setPen(px(QColor(0x6b, 0x7d, 0x96)));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(1.5, 2.5, 13, 12), 1.5, 1.5);
    p.setPen(Qt::NoPen);
    p.setBrush(kRed);
    p.drawRect(QRectF(2, 3, 12, 3));
    p.setBrush(QColor(0x6b, 0x7d, 0x96));
    p.drawRect(QRectF(4, 1, 1.5, 3));
    p.drawRect(QRectF(10.5, 1, 1.5, 3));
    p.setBrush(QColor(0x4a, 0x8f, 0xe0));
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 4; ++col)
            p.drawRect(QRectF(3.5 + col * 2.5, 7.5 + row * 2.2, 1.5, 1.4));
}

void drawKey(QPainter &p, const QRectF &r, const QColor &metal) {
    p.save();
    p.translate(r.topLeft());
    p.scale(r.width() / 16.0, r.height() / 16.0);
    const QColor edge = metal.darker(170);
    QPainterPath key;
    key.addEllipse(QPointF(5, 6), 4, 4);
    QPainterPath shaft;
    shaft.moveTo(7.5, 7.2);
    shaft.lineTo(15, 12.6);
    shaft.lineTo(13.8, 14.2);
    shaft.lineTo(12.6, 13.4);
    shaft.lineTo(11.8, 14.6);
    shaft.lineTo(10.6, 13.7);
    shaft.lineTo(11.4, 12.5);
    shaft.lineTo(6.4, 8.9);
    shaft.closeSubpath();
    key = key.united(shaft);
    QPainterPath hole;
    hole.addEllipse(QPointF(4.2, 5.2), 1.4, 1.4);
    key = key.subtracted(hole);
    p.setPen(px(edge, 1.0));
    p.setBrush(vertical(1, 15, metal.lighter(125), metal));
    p.drawPath(key);
    p.restore();
}

void iconPassword(QPainter &p)   // 14
{
    drawKey(p, QRectF(0, 0, 16, 16), QColor(0xe8, 0xb0, 0x20));
}

void iconCalculator(QPainter &p)   // 15
{
    p.setPen(px(QColor(0x26, 0x32, 0x42)));
    p.setBrush(vertical(1, 15, QColor(0x6b, 0x7d, 0x96), QColor(0x3c, 0x4a, 0x5e)));
    p.drawRoundedRect(QRectF(2.5, 0.5, 11, 15), 1.5, 1.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xc8, 0xf0, 0xc8));
    p.drawRect(QRectF(4, 2, 8, 3));
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col) {
            const bool op = col == 2;
            p.setBrush(op ? QColor(0xf2, 0xa5, 0x3a) : QColor(0xf0, 0xf4, 0xf8));
            p.drawRect(QRectF(4 + col * 3, 6.5 + row * 3, 2, 2));
        }
}

void iconClock(QPainter &p)   // 16
{
    p.setPen(px(QColor(0x1b, 0x4f, 0x96), 1.2));
    p.setBrush(vertical(1, 15, Qt::white, QColor(0xdd, 0xea, 0xf8)));
    p.drawEllipse(QPointF(8, 8), 6.8, 6.8);
    p.setPen(px(QColor(0x1f, 0x3a, 0x60), 1.4));
    p.drawLine(QPointF(8, 8), QPointF(8, 3.8));
    p.drawLine(QPointF(8, 8), QPointF(11, 9.5));
    p.setPen(Qt::NoPen);
    p.setBrush(kRed);
    p.drawEllipse(QPointF(8, 8), 1, 1);
}

// A sheet of a table (a title row and lines), the file the two exchange commands move contacts
// through, with its left edge at `left`.
void drawSheet(QPainter &p, double left) {
    p.setPen(px(kDeepBlue));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(left + 0.5, 1.5, 8, 13));
    p.setPen(Qt::NoPen);
    p.setBrush(kGreen);
    p.drawRect(QRectF(left + 1, 2, 7, 2));
    p.setPen(px(kLineBlue));
    for (double y : {6.5, 9.5, 12.5})
        p.drawLine(QPointF(left + 1.5, y), QPointF(left + 7.5, y));
    p.drawLine(QPointF(left + 4.5, 4.5), QPointF(left + 4.5, 13.5));
}

// An arrow pointing right, from x0 to x1 at the height of the middle.
void drawRightArrow(QPainter &p, double x0, double x1, const QColor &colour) {
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    QPainterPath arrow;
    arrow.moveTo(x0, 6.5);
    arrow.lineTo(x1 - 4, 6.5);
    arrow.lineTo(x1 - 4, 4);
    arrow.lineTo(x1, 8);
    arrow.lineTo(x1 - 4, 12);
    arrow.lineTo(x1 - 4, 9.5);
    arrow.lineTo(x0, 9.5);
    arrow.closeSubpath();
    p.drawPath(arrow);
}

void iconImport(QPainter &p)   // 17: into the book
{
    drawSheet(p, 6.5);
    drawRightArrow(p, 0.5, 10.5, QColor(0xe0, 0x7b, 0x1a));
}

void iconExport(QPainter &p)   // 18: out of the book
{
    drawSheet(p, 0);
    drawRightArrow(p, 5.5, 15.5, kBlue);
}

void iconBirthday(QPainter &p)   // 19: a birthday cake with one candle
{
    const QColor cream(0xff, 0xf3, 0xdc);
    const QColor crust(0xc9, 0x7b, 0x3c);
    // The candle and its flame.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xf5, 0xa6, 0x23));
    QPainterPath flame;
    flame.moveTo(8, 0.5);
    flame.cubicTo(10, 2.5, 9.5, 4, 8, 4.2);
    flame.cubicTo(6.5, 4, 6, 2.5, 8, 0.5);
    p.drawPath(flame);
    p.setBrush(kBrightBlue);
    p.drawRect(QRectF(7.25, 4.5, 1.5, 3.5));
    // Two layers of cake with icing and a plate.
    p.setPen(px(crust));
    p.setBrush(QColor(0xf0, 0xb4, 0x78));
    p.drawRoundedRect(QRectF(3.5, 8, 9, 3), 1, 1);
    p.drawRoundedRect(QRectF(1.5, 11, 13, 3.5), 1, 1);
    p.setPen(Qt::NoPen);
    p.setBrush(cream);
    p.drawRect(QRectF(4, 8.5, 8, 1));
    p.drawRect(QRectF(2, 11.5, 12, 1));
    p.setBrush(kRed);
    for (double x : {4.0, 7.0, 10.0})
        p.drawEllipse(QPointF(x + 0.5, 13.4), 0.7, 0.7);
    p.setPen(px(kSoftInk));
    p.drawLine(QPointF(0.5, 15.5), QPointF(15.5, 15.5));
}

QImage toolbarImage(int index) {
    using Draw = void (*)(QPainter &);
    static const Draw draws[] = {iconAddressBook, iconFolder, iconSave,    iconSearch,   iconPrint,
                                 iconEdit,        iconDelete, iconRefresh, iconSettings, iconAdd,
                                 iconAbout,       iconHelp,   iconExit,    iconCalendar, iconPassword,
                                 iconCalculator,  iconClock,  iconImport,  iconExport,   iconBirthday};
    static_assert(std::size(draws) == 20);
    QImage img = newImage(16, 16);
    QPainter p(&img);
    setupPainter(p);
    draws[index](p);
    return img;
}

// The contact dialog's icon: a card with a person and lines of details.
QImage contactIcon() {
    QImage img = newImage(16, 16);
    QPainter p(&img);
    setupPainter(p);
    p.setPen(px(QColor(0x1b, 0x4f, 0x96)));
    p.setBrush(vertical(2, 14, Qt::white, QColor(0xdd, 0xea, 0xf8)));
    p.drawRoundedRect(QRectF(0.5, 2.5, 15, 11), 1.5, 1.5);
    drawPerson(p, QRectF(1.8, 4.2, 7, 7.8), QColor(0x2f, 0x6f, 0xc4));
    p.setPen(px(QColor(0x4a, 0x8f, 0xe0)));
    p.drawLine(QPointF(9.5, 5.5), QPointF(13.5, 5.5));
    p.setPen(px(QColor(0x8c, 0xac, 0xd6)));
    p.drawLine(QPointF(9.5, 8.5), QPointF(13.5, 8.5));
    p.drawLine(QPointF(9.5, 10.5), QPointF(12.5, 10.5));
    return img;
}

QImage programIcon(int size) {
    QImage img = newImage(size, size);
    QPainter p(&img);
    setupPainter(p);
    drawEmblem(p, QRectF(0, 0, size, size));
    return img;
}

// ---------------------------------------------------------------------------------------------
// Writing

bool g_failed = false;

void save(const QImage &img, const QString &path, const char *format, int quality = -1) {
    QImage out = img;
    // JPEG and BMP hold no transparency: flatten onto opaque pixels.
    if (qstrcmp(format, "PNG") != 0)
        out = img.convertToFormat(QImage::Format_RGB32);
    if (!out.save(path, format, quality)) {
        std::fprintf(stderr, "draw_assets: cannot write %s\n", qPrintable(path));
        g_failed = true;
        return;
    }
    std::printf("%-32s %3d x %3d\n", qPrintable(QDir::current().relativeFilePath(path)), img.width(), img.height());
}

// The picture button: the background with the button drawn over it, cut out at its place.
QImage buttonOn(const QImage &base, const QRect &place, const QString &text, ButtonLook look, int textPx) {
    QImage img = base.copy(place);
    QPainter p(&img);
    setupPainter(p);
    drawButton(p, QRectF(0, 0, place.width(), place.height()), text, look, textPx);
    return img;
}

}   // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: draw_assets <assetsDir> <imagesDir>\n");
        return 2;
    }
    const QStringList families = QFontDatabase::families();
    for (const QString &family : {kCjkFamily, kSerifCjkFamily, kLatinFamily}) {
        if (!families.contains(family)) {
            std::fprintf(stderr, "draw_assets: font \"%s\" is not installed (run make setup)\n", qPrintable(family));
            return 1;
        }
    }

    const QDir assets(args.at(1));
    const QDir images(args.at(2));
    for (const QString &dir : {assets.filePath(u"toolbar"_s), assets.filePath(u"icon"_s), images.path()})
        QDir().mkpath(dir);

    // Login window.
    {
        const QImage base = loginBase();
        const QImage exitBase = base.copy(kLoginExit);
        QImage bg = base;
        {
            QPainter p(&bg);
            setupPainter(p);
            drawButton(p, QRectF(kLoginButton), u"登录"_s, ButtonLook::Primary, 14);
            drawButton(p, QRectF(kLoginExit), u"退出"_s, ButtonLook::Secondary, 14);
            drawCloseMark(p, QRectF(kLoginClose), kLoginCloseVisible);
        }
        save(bg, assets.filePath(u"login_bg.jpg"_s), "JPG", 95);
        save(bg.copy(kLoginButton), assets.filePath(u"login_button.bmp"_s), "BMP");
        save(bg.copy(kLoginExit), assets.filePath(u"login_exit.bmp"_s), "BMP");
        save(bg.copy(kLoginClose), assets.filePath(u"login_close.bmp"_s), "BMP");
        const QRect at(QPoint(0, 0), kLoginExit.size());
        save(buttonOn(exitBase, at, u"退出"_s, ButtonLook::Hover, 14), images.filePath(u"02.bmp"_s), "BMP");
        save(buttonOn(exitBase, at, u"退出"_s, ButtonLook::Pressed, 14), images.filePath(u"02_1.bmp"_s), "BMP");
    }

    // Password window.
    {
        QImage bg = passwordBase();
        {
            QPainter p(&bg);
            setupPainter(p);
            drawButton(p, QRectF(kPwdConfirm), u"确认(F5)"_s, ButtonLook::Primary, 12);
            drawButton(p, QRectF(kPwdExit), u"退出(F4)"_s, ButtonLook::Secondary, 12);
            drawCloseMark(p, QRectF(kPwdClose), kPwdClose.height());
        }
        save(bg, assets.filePath(u"password_bg.jpg"_s), "JPG", 95);
        save(bg.copy(kPwdConfirm), assets.filePath(u"password_confirm.bmp"_s), "BMP");
        save(bg.copy(kPwdExit), assets.filePath(u"password_exit.bmp"_s), "BMP");
        save(bg.copy(kPwdClose), assets.filePath(u"password_close.bmp"_s), "BMP");
    }

    save(titlePicture(), assets.filePath(u"title.jpg"_s), "JPG", 95);

    for (int i = 0; i < 20; ++i)
        save(toolbarImage(i), assets.filePath(u"toolbar/%1.png"_s.arg(i, 2, 10, QLatin1Char('0'))), "PNG");

    save(programIcon(256), assets.filePath(u"txl.png"_s), "PNG");
    for (int size : {16, 32, 48})
        save(programIcon(size), assets.filePath(u"icon/txl_%1.png"_s.arg(size)), "PNG");
    save(contactIcon(), assets.filePath(u"contact16.png"_s), "PNG");

    return g_failed ? 1 : 0;
}
