// The pictures built into the program: each one present at the size its window expects, the picture
// buttons matching the backgrounds they are laid on, and the areas where the windows put their own
// text and fields left light and plain.

#include "assets/Assets.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QTest>

#include <cmath>
#include <set>

using namespace Qt::StringLiterals;

namespace {

QImage readImage(const QString &path) {
    QImageReader reader(path);
    QImage img = reader.read();
    if (img.isNull())
        qWarning("cannot read %s: %s", qPrintable(path), qPrintable(reader.errorString()));
    return img.convertToFormat(QImage::Format_RGB32);
}

// Mean absolute difference per colour channel between two pictures of the same size.
double meanDifference(const QImage &a, const QImage &b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}

QString sourceFile(const char *relative) {
    return qEnvironmentVariable("TXL_SOURCE_DIR") + u'/' + QString::fromUtf8(relative);
}

}   // namespace

class AssetsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void resourceSizes_data();
    void resourceSizes();
    void exitButtonLooks();
    void buttonsMatchBackground_data();
    void buttonsMatchBackground();
    void plainAreas_data();
    void plainAreas();
    void toolbarImages();
    void icons();
};

void AssetsTest::resourceSizes_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QByteArray>("format");

    const struct {
        const char *name;
        int w, h;
        const char *format;
    } table[] = {
        {"login_bg.jpg", 312, 212, "jpeg"},      {"login_button.bmp", 65, 24, "bmp"},
        {"login_exit.bmp", 63, 23, "bmp"},       {"login_close.bmp", 18, 19, "bmp"},
        {"title.jpg", 397, 283, "jpeg"},         {"password_bg.jpg", 267, 206, "jpeg"},
        {"password_confirm.bmp", 58, 23, "bmp"}, {"password_exit.bmp", 63, 23, "bmp"},
        {"password_close.bmp", 18, 19, "bmp"},   {"txl.png", 256, 256, "png"},
        {"icon/txl_16.png", 16, 16, "png"},      {"icon/txl_32.png", 32, 32, "png"},
        {"icon/txl_48.png", 48, 48, "png"},      {"contact16.png", 16, 16, "png"},
    };
    for (const auto &row : table)
        QTest::newRow(row.name) << txl::assets::path(row.name) << QSize(row.w, row.h) << QByteArray(row.format);
    for (int i = 0; i < txl::assets::toolbarImageCount; ++i) {
        const QString name = u":/toolbar/%1.png"_s.arg(i, 2, 10, QLatin1Char('0'));
        QTest::newRow(qPrintable(name)) << name << QSize(16, 16) << QByteArray("png");
    }
}

void AssetsTest::resourceSizes() {
    QFETCH(QString, name);
    QFETCH(QSize, size);
    QFETCH(QByteArray, format);

    QVERIFY2(QFile::exists(name), qPrintable(name));
    QImageReader reader(name);
    // Judged by content, not by the name: the windows hand the JPEGs to libjpeg.
    reader.setDecideFormatFromContent(true);
    QCOMPARE(reader.format(), format);
    QCOMPARE(reader.size(), size);
    QVERIFY(!reader.read().isNull());
}

// The login window's exit button reads its looks under the mouse and pressed from the working
// folder; they must be real BMP files of the button's size, and look different from its normal
// look and from each other.
void AssetsTest::exitButtonLooks() {
    QVERIFY2(!qEnvironmentVariableIsEmpty("TXL_SOURCE_DIR"), "TXL_SOURCE_DIR is not set");
    const QImage normal = readImage(u":/login_exit.bmp"_s);
    QImage looks[2];
    int i = 0;
    for (const char *file : {"images/02.bmp", "images/02_1.bmp"}) {
        const QString path = sourceFile(file);
        QVERIFY2(QFile::exists(path), qPrintable(path));
        QImageReader reader(path);
        reader.setDecideFormatFromContent(true);
        QCOMPARE(reader.format(), QByteArray("bmp"));
        QCOMPARE(reader.size(), QSize(63, 23));
        looks[i] = readImage(path);
        QVERIFY2(meanDifference(looks[i], normal) > 3, file);
        ++i;
    }
    QVERIFY(meanDifference(looks[0], looks[1]) > 3);
}

void AssetsTest::buttonsMatchBackground_data() {
    QTest::addColumn<QString>("bitmap");
    QTest::addColumn<QString>("background");
    QTest::addColumn<QPoint>("place");   // where the window shows it, in background coordinates

    // The login background lies at (-1, -2) in its window, the password background at (-1, -1).
    QTest::newRow("login button") << u":/login_button.bmp"_s << u":/login_bg.jpg"_s << QPoint(65, 179);
    QTest::newRow("login exit") << u":/login_exit.bmp"_s << u":/login_bg.jpg"_s << QPoint(190, 180);
    QTest::newRow("login close") << u":/login_close.bmp"_s << u":/login_bg.jpg"_s << QPoint(289, 2);
    QTest::newRow("password confirm") << u":/password_confirm.bmp"_s << u":/password_bg.jpg"_s << QPoint(37, 166);
    QTest::newRow("password exit") << u":/password_exit.bmp"_s << u":/password_bg.jpg"_s << QPoint(161, 167);
    QTest::newRow("password close") << u":/password_close.bmp"_s << u":/password_bg.jpg"_s << QPoint(244, 3);
}

// A picture button covers the button drawn on the background: it must show the same thing at the
// same place, or the window shows a button that jumps or a seam around it.
void AssetsTest::buttonsMatchBackground() {
    QFETCH(QString, bitmap);
    QFETCH(QString, background);
    QFETCH(QPoint, place);

    const QImage button = readImage(bitmap);
    const QImage bg = readImage(background);
    QVERIFY(!button.isNull() && !bg.isNull());
    const double here = meanDifference(button, bg.copy(QRect(place, button.size())));
    // The background is a JPEG: its compression alone leaves a few levels of difference.
    QVERIFY2(here < 8, qPrintable(u"differs by %1 at its place"_s.arg(here)));
    // One pixel off in any direction is already clearly different.
    for (const QPoint step : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)}) {
        const QRect shifted(place + step, button.size());
        if (!bg.rect().contains(shifted))
            continue;
        QVERIFY2(meanDifference(button, bg.copy(shifted)) > here + 5, "the comparison cannot see a shift");
    }
}

void AssetsTest::plainAreas_data() {
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QRect>("area");   // in picture coordinates

    // The borderless password fields sit on light areas of their backgrounds.
    QTest::newRow("login password field") << u":/login_bg.jpg"_s << QRect(110, 125, 121, 16);
    QTest::newRow("new password field") << u":/password_bg.jpg"_s << QRect(103, 65, 116, 17);
    QTest::newRow("repeated password field") << u":/password_bg.jpg"_s << QRect(103, 97, 116, 17);
    // The operator's name is written by the window at (101, 39).
    QTest::newRow("operator label") << u":/password_bg.jpg"_s << QRect(102, 40, 100, 13);
    // The loading window writes "正在加载中：" and its dots on the title picture at (16, 152).
    QTest::newRow("loading text") << u":/title.jpg"_s << QRect(16, 150, 110, 18);
}

// Dark text drawn by a window stays legible only on a light, even ground.
void AssetsTest::plainAreas() {
    QFETCH(QString, picture);
    QFETCH(QRect, area);

    const QImage img = readImage(picture).copy(area);
    double sum = 0;
    double sumSq = 0;
    int darkest = 255;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const int grey = qGray(img.pixel(x, y));
            sum += grey;
            sumSq += double(grey) * grey;
            darkest = std::min(darkest, grey);
        }
    const double n = img.width() * img.height();
    const double mean = sum / n;
    const double spread = std::sqrt(sumSq / n - mean * mean);
    QVERIFY2(mean > 225, qPrintable(u"mean grey %1"_s.arg(mean)));
    QVERIFY2(darkest > 180, qPrintable(u"darkest grey %1"_s.arg(darkest)));
    QVERIFY2(spread < 8, qPrintable(u"spread %1"_s.arg(spread)));
}

// Seventeen toolbar images, each one drawn (not empty) and each one its own.
void AssetsTest::toolbarImages() {
    std::set<QByteArray> seen;
    for (int i = 0; i < txl::assets::toolbarImageCount; ++i) {
        const QPixmap pixmap = txl::assets::toolbarImage(i);
        QCOMPARE(pixmap.size(), QSize(16, 16));
        const QImage img = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
        int opaque = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                opaque += qAlpha(img.pixel(x, y)) > 128;
        QVERIFY2(opaque >= 40, qPrintable(u"image %1 is nearly empty"_s.arg(i)));
        // Transparent around the picture, so it sits on any toolbar colour.
        QCOMPARE(qAlpha(img.pixel(0, 0)), 0);
        const QByteArray bits(reinterpret_cast<const char *>(img.constBits()), img.sizeInBytes());
        QVERIFY2(seen.insert(bits).second, qPrintable(u"image %1 repeats another"_s.arg(i)));
    }
    QVERIFY(txl::assets::toolbarImage(-1).isNull());
    QVERIFY(txl::assets::toolbarImage(txl::assets::toolbarImageCount).isNull());
}

void AssetsTest::icons() {
    const QList<QSize> sizes = txl::assets::programIcon().availableSizes();
    for (int s : {16, 32, 48, 256})
        QVERIFY2(sizes.contains(QSize(s, s)), qPrintable(u"no %1 pixel program icon"_s.arg(s)));
    QCOMPARE(txl::assets::contactIcon().availableSizes(), QList<QSize>{QSize(16, 16)});
}

QTEST_MAIN(AssetsTest)
#include "test_assets.moc"
