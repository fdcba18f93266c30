// Renders every button of the three windows offscreen, through the real
// TImageButton over its window's background, to check the artwork by eye:
//   movarin-button-sheet [output-folder]
// writes, for each language (ja, en), button-looks-<language>.png (normal,
// hover, pressed, disabled per row) and window-main-<language>.png,
// window-dvd-<language>.png, window-config-<language>.png (backgrounds with
// the buttons at rest).
#include "ui/ArtworkLanguage.h"
#include "ui/PngPicture.h"
#include "ui/imagebutton.h"

#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <QPainter>

#include <cstdio>
#include <vector>

namespace {

struct Placed {
    const char* Name;
    QRect Geometry;
    TImageButtonLayout Layout;
};

struct Window {
    const char* Key;
    QSize Client;
    std::vector<Placed> Buttons;
};

const std::vector<Window>& Windows()
{
    static const std::vector<Window> windows = {
        {"main", {471, 266},
         {{"main/add_file", {18, 9, 130, 38}, ibsImageAbove},
          {"main/add_dvd", {159, 8, 136, 40}, ibsImageAbove},
          {"main/list_delete", {308, 9, 65, 38}, ibsImageAbove},
          {"main/config", {391, 9, 65, 38}, ibsImageAbove},
          {"main/convert_cancel", {20, 245, 65, 21}, ibsImageLeft},
          {"main/convert_movie", {341, 63, 127, 38}, ibsImageAbove},
          {"main/convert_walkman", {341, 117, 127, 38}, ibsImageAbove},
          {"main/convert_music", {341, 190, 127, 38}, ibsImageAbove}}},
        {"dvd", {310, 308},
         {{"dvd/refresh", {231, 33, 65, 32}, ibsImageAbove},
          {"dvd/select_all", {16, 212, 73, 32}, ibsImageAbove},
          {"dvd/unselect_all", {104, 212, 85, 32}, ibsImageAbove},
          {"common/ok", {125, 265, 73, 38}, ibsImageAbove},
          {"common/cancel", {212, 265, 84, 38}, ibsImageAbove}}},
        {"config", {474, 277},
         {{"config/select_dir", {365, 155, 65, 32}, ibsImageAbove},
          {"common/ok", {289, 231, 65, 38}, ibsImageAbove},
          {"common/cancel", {372, 231, 83, 38}, ibsImageAbove}}},
    };
    return windows;
}

// A window stand-in: its background picture, painted first.
class Host : public QWidget {
public:
    explicit Host(const Window& window)
        : Background_(TPngPicture::Load(movarin::ArtworkPath(QStringLiteral("%1/background.png").arg(window.Key))))
    {
        resize(window.Client);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        Background_.Draw(painter, 0, 0);
    }

private:
    TPngPicture Background_;
};

void Send(TImageButton& button, QEvent::Type type, QPoint at)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
    QMouseEvent event(type, QPointF(at), button.mapToGlobal(QPointF(at)), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(&button, &event);
}

enum class Look { Normal, Over, Down, Disabled };

QImage Shot(Host& host, TImageButton& button, Look look)
{
    const QPoint inside(button.width() / 2, button.height() / 2);
    if (look != Look::Normal && look != Look::Disabled) {
        const QPointF at(inside);
        QEnterEvent enter{at, at, button.mapToGlobal(at)};
        QApplication::sendEvent(&button, &enter);
    }
    if (look == Look::Down)
        Send(button, QEvent::MouseButtonPress, inside);
    if (look == Look::Disabled)
        button.setEnabled(false);

    const QRect area = button.geometry().adjusted(-6, -6, 6, 6).intersected(host.rect());
    QImage shot(area.size(), QImage::Format_RGB32);
    host.render(&shot, QPoint(), QRegion(area));

    // Back to rest: release outside (no click), pointer gone, enabled.
    if (look == Look::Down)
        Send(button, QEvent::MouseButtonRelease, QPoint(-50, -50));
    if (look == Look::Over || look == Look::Down) {
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(&button, &leave);
    }
    button.setEnabled(true);
    return shot;
}

// Writes one language's window pictures and its sheet of button looks.
bool WriteSheets(const QDir& out, const QString& language)
{
    movarin::SetArtworkLanguage(language);
    std::vector<std::vector<QImage>> rows;
    for (const Window& window : Windows()) {
        Host host(window);
        std::vector<TImageButton*> buttons;
        for (const Placed& placed : window.Buttons) {
            auto* button = new TImageButton(&host);
            button->setGeometry(placed.Geometry);
            button->SetButtonStyle(ibsNoFrame);
            button->SetButtonLayout(placed.Layout);
            button->LoadImages(QString::fromLatin1(placed.Name));
            buttons.push_back(button);
        }
        QImage whole(host.size(), QImage::Format_RGB32);
        host.render(&whole);
        const QString path = out.filePath(QStringLiteral("window-%1-%2.png").arg(window.Key, language));
        if (!whole.save(path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return false;
        }
        for (TImageButton* button : buttons)
            rows.push_back({Shot(host, *button, Look::Normal), Shot(host, *button, Look::Over),
                            Shot(host, *button, Look::Down), Shot(host, *button, Look::Disabled)});
    }

    // One row per button, one column per look, on a neutral grey.
    constexpr int Gap = 8;
    int cellWidth = 0, height = Gap;
    for (const auto& row : rows) {
        cellWidth = std::max(cellWidth, row[0].width());
        height += row[0].height() + Gap;
    }
    QImage sheet(Gap + 4 * (cellWidth + Gap), height, QImage::Format_RGB32);
    sheet.fill(QColor(128, 128, 128));
    QPainter painter(&sheet);
    int y = Gap;
    for (const auto& row : rows) {
        for (int i = 0; i < 4; ++i)
            painter.drawImage(Gap + i * (cellWidth + Gap), y, row[i]);
        y += row[0].height() + Gap;
    }
    painter.end();
    const QString path = out.filePath(QStringLiteral("button-looks-%1.png").arg(language));
    if (!sheet.save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    if (!out.exists() && !QDir().mkpath(out.path())) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(out.path()));
        return 1;
    }
    for (const char* language : {"ja", "en"})
        if (!WriteSheets(out, QString::fromLatin1(language)))
            return 1;
    std::printf("written to %s\n", qPrintable(out.absolutePath()));
    return 0;
}
