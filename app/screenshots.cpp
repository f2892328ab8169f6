// Writes PNG images of the panel's windows into a folder, without a display:
// both pages for both parts, both pages of the quad part side by side (the
// README's picture), the part dialog, the File menu and the credits dialog.
// The part dialog is answered through the dialog seam. QT_SCALE_FACTOR sets
// the pixels per logical pixel.
#include "board/BoardLink.h"
#include "model/Converter.h"
#include "model/PanelModel.h"
#include "model/Session.h"
#include "panel/DialogSeam.h"
#include "panel/FindControl.h"
#include "panel/PanelApplication.h"
#include "panel/QV7310.h"
#include "panel/QV7310TestSeam.h"
#include "panel/TabbedSheet.h"
#include "panel/created.h"
#include "panel/frmPartSelect.h"

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

namespace {
bool save(const QImage& image, const QString& path) {
    const bool ok = image.save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}
bool save(QWidget* widget, const QString& path) {
    return save(widget->grab().toImage(), path);
}

// Two grabs side by side, `gap` logical pixels apart, keeping their device pixels.
QImage sideBySide(const QPixmap& left, const QPixmap& right, int gap) {
    const qreal ratio = left.devicePixelRatio();
    const QSize size(left.width() + qRound(gap * ratio) + right.width(),
                     qMax(left.height(), right.height()));
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(ratio);
    QPainter painter(&image);
    painter.drawPixmap(0, 0, left);
    painter.drawPixmap(QPointF(left.deviceIndependentSize().width() + gap, 0), right);
    painter.end();
    return image;
}
} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    PanelApplication::Init();
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(out.path()))
        return 1;
    bool ok = true;
    BoardLink link;
    PanelModel model(link);
    Session session(model);
    struct Part {
        const char* name;
        int button;
    };
    for (const Part part : {Part{Converter::SinglePart, 0}, Part{Converter::QuadPart, 1}}) {
        DialogSeam::setHandler([&](QDialog& dialog) {
            if (auto* select = qobject_cast<frmPartSelect*>(&dialog)) {
                dialog.show();
                ok = save(&dialog, out.filePath(QStringLiteral("part-dialog.png"))) && ok;
                select->cmdPartSelect[part.button]->click();
            }
            return dialog.result();
        });
        QV7310 window(session);
        window.Form_Load();
        window.show();
        QApplication::processEvents();
        const QString prefix = QString::fromLatin1(part.name).toLower();
        QPixmap pages[2];
        for (int page = 0; page < 2; ++page) {
            FindControl<TabbedSheet>(window, QStringLiteral("SSTab1"))->setCurrentIndex(page);
            pages[page] = window.grab();
            ok = save(pages[page].toImage(),
                      out.filePath(QStringLiteral("%1-page%2.png").arg(prefix).arg(page))) &&
                 ok;
        }
        if (part.button == 1) {
            ok = save(sideBySide(pages[0], pages[1], 16),
                      out.filePath(QStringLiteral("%1-pages.png").arg(prefix))) &&
                 ok;
            auto* file = window.menuBar()->findChild<QMenu*>(QStringLiteral("mnuFile"));
            file->popup(window.mapToGlobal(QPoint(0, 0)));
            QApplication::processEvents();
            ok = save(file, out.filePath(QStringLiteral("file-menu.png"))) && ok;
            file->hide();
            created credits(&window);
            credits.show();
            QApplication::processEvents();
            ok = save(&credits, out.filePath(QStringLiteral("credits.png"))) && ok;
        }
        QV7310TestSeam::mnuDontRESET_Click(window); // pictures only: leave the board alone
        window.close();
    }
    DialogSeam::setHandler(nullptr);
    return ok ? 0 : 1;
}
