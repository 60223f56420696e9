#include "platform/ui/JpegImage.h"

#include <QFile>

#include <csetjmp>
#include <cstdio>
#include <stdexcept>

#include <jpeglib.h>

using namespace Qt::StringLiterals;

namespace txl::ui {

namespace {

// libjpeg's default error handler ends the process; ours jumps back to the decoder, which turns
// the library's message into an exception.
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

extern "C" void onJpegError(j_common_ptr info) {
    auto *errors = reinterpret_cast<ErrorManager *>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->jump, 1);
}

extern "C" void onJpegMessage(j_common_ptr info, int level) {
    // A warning means damaged data (a truncated file decodes with a grey bottom otherwise): the
    // picture counts as bad. Trace messages (level >= 0) are ignored.
    if (level < 0)
        onJpegError(info);
}

[[noreturn]] void failJpeg(const QString &name, const QString &reason) {
    throw std::runtime_error(u"Cannot load picture %1: %2"_s.arg(name, reason).toStdString());
}

// The two steps that call into libjpeg. Each holds its own jump point and nothing but plain data,
// so a jump out of the library skips no destructor.
bool startDecoding(jpeg_decompress_struct &info, ErrorManager &errors, const QByteArray &data) {
    if (setjmp(errors.jump) != 0)
        return false;
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char *>(data.constData()),
                 static_cast<unsigned long>(data.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;   // grey pictures are widened to RGB by the library
    jpeg_start_decompress(&info);
    return true;
}

bool readRows(jpeg_decompress_struct &info, ErrorManager &errors, uchar *bits, qsizetype stride) {
    if (setjmp(errors.jump) != 0)
        return false;
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = bits + stride * static_cast<qsizetype>(info.output_scanline);
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    return true;
}

}   // namespace

QImage decodeJpeg(const QByteArray &data, const QString &nameForErrors) {
    if (data.isEmpty())
        failJpeg(nameForErrors, u"the file is empty"_s);

    jpeg_decompress_struct info{};
    ErrorManager errors{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = onJpegError;
    errors.base.emit_message = onJpegMessage;

    const auto fail = [&](const QString &reason) {
        jpeg_destroy_decompress(&info);
        failJpeg(nameForErrors, reason);
    };
    if (!startDecoding(info, errors, data))
        fail(QString::fromLocal8Bit(errors.message));
    if (info.output_components != 3)
        fail(u"unsupported colour format"_s);

    QImage image(static_cast<int>(info.output_width), static_cast<int>(info.output_height), QImage::Format_RGB888);
    if (image.isNull())
        fail(u"the picture is too large"_s);
    if (!readRows(info, errors, image.bits(), image.bytesPerLine()))
        fail(QString::fromLocal8Bit(errors.message));
    jpeg_destroy_decompress(&info);
    return image;
}

QImage loadJpeg(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        failJpeg(path, file.errorString());
    return decodeJpeg(file.readAll(), path);
}

}   // namespace txl::ui
