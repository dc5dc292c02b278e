#include "Views/Utils/KLArtwork.h"

#include <QFile>
#include <QImage>
#include <QRect>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

using Picture = std::pair<QString, QSize>;

const QSize band(320, 200);
const QRect screen(110, 90, 80, 60); // where the TV's screen is and the static plays

void addFrames(std::vector<Picture> &pictures, const char *sequence, int count) {
    for (int frame = 1; frame <= count; ++frame) {
        const char *suffix = frame == 1 && QByteArray(sequence).startsWith("arrow") ? "@2X.png" : "@2x.png";
        pictures.emplace_back(QString::asprintf("%s_%02d%s", sequence, frame, suffix), band);
    }
}

// Every picture the window asks for, by the name it uses, with its logical size.
std::vector<Picture> windowPictures() {
    std::vector<Picture> pictures;
    for (const char *name : {"pattern-light", "pattern-dark", "tv-light.png", "tv-dark.png"}) {
        pictures.emplace_back(QLatin1String(name), band);
    }
    addFrames(pictures, "arrow-down", 15);
    addFrames(pictures, "arrow-end", 13);
    addFrames(pictures, "noise", 50);
    for (const char *name :
         {"icon-add-inactive-light@2x.png", "icon-add-inactive-dark@2x.png", "icon-add-active-light@2x.png",
          "icon-add-active-dark@2x.png", "icon-settings-inactive-light@2x.png",
          "icon-settings-inactive-dark@2x.png", "icon-settings-active-light@2x.png",
          "icon-settings-active-dark@2x.png", "firefox.png", "chrome.png"}) {
        pictures.emplace_back(QLatin1String(name), QSize(24, 24));
    }
    for (const char *name :
         {"icon-download-all-white@2x.png", "icon-download-all-grey@2x.png", "icon-pause-all-white@2x.png",
          "icon-pause-all-grey@2x.png", "icon-resume-all-white@2x.png", "icon-resume-all-grey@2x.png",
          "icon-clear-all-white@2x.png", "icon-clear-all-grey@2x.png", "icon-clear-completed-white@2x.png",
          "icon-clear-completed-grey@2x.png", "icon-download@2x.png", "icon-redownload@2x.png",
          "icon-cancel@2x.png"}) {
        pictures.emplace_back(QLatin1String(name), QSize(32, 32));
    }
    for (const char *name : {"firefox_small.png", "chrome_small.png", "icon-remove-light", "icon-remove-dark",
                             "icon-reveal-light", "icon-reveal-dark", "icon-info-light", "icon-info-dark",
                             "icon-pause-light", "icon-pause-dark"}) {
        pictures.emplace_back(QLatin1String(name), QSize(16, 16));
    }
    pictures.emplace_back(QStringLiteral("kinolarkpro"), QSize(128, 128));
    return pictures;
}

bool drawsSomething(const QImage &image) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        for (int x = 0; x < argb.width(); ++x) {
            if (qAlpha(argb.pixel(x, y)) != 0) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

TEST(Artwork, EveryPictureTheWindowAsksForIsDrawnAtTwiceThePixels) {
    const auto pictures = windowPictures();
    EXPECT_EQ(KLArtwork::allNames().size(), static_cast<qsizetype>(pictures.size()));
    for (const auto &[name, size] : pictures) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_TRUE(KLArtwork::allNames().contains(name));
        EXPECT_TRUE(QFile::exists(KLArtwork::sourceFor(name)));
        EXPECT_EQ(KLArtwork::naturalSize(name), size);
        const QPixmap drawn = KLArtwork::pixmap(name, QSize(), 2.0);
        EXPECT_EQ(drawn.size(), size * 2);
        EXPECT_EQ(drawn.devicePixelRatio(), 2.0);
        EXPECT_TRUE(drawsSomething(drawn.toImage()));
    }
}

TEST(Artwork, NamesAreMatchedWithoutCaseOrScaleAndNeverOutsideTheArtwork) {
    const std::vector<std::pair<const char *, const char *>> cases = {
        {"arrow-down_03@2x.png", ":/artwork/arrow-down_03.svg"},
        {"ARROW-END_01@2X.PNG", ":/artwork/arrow-end_01.svg"},
        {"Icon-Remove-Light", ":/artwork/icon-remove-light.svg"},
        {"tv-dark.png", ":/artwork/tv-dark.svg"},
        {"", ""},
        {"noise_51@2x.png", ""},
        {"@2x.png", ""},
        {"../artwork/tv-dark", ""},
        {"tv-dark.svg", ""},
        {":/artwork/tv-dark", ""},
    };
    for (const auto &[name, source] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(KLArtwork::sourceFor(QLatin1String(name)), QLatin1String(source));
        EXPECT_EQ(KLArtwork::pixmap(QLatin1String(name)).isNull(), QLatin1String(source).isEmpty());
        EXPECT_EQ(KLArtwork::icon(QLatin1String(name)).isNull(), QLatin1String(source).isEmpty());
    }
}

TEST(Artwork, DrawsAtTheAskedSizeAndRatio) {
    struct Case {
        QSize logical;
        qreal ratio;
        QSize pixels;
        qreal pixelRatio;
    };
    for (const Case &c :
         {Case{QSize(24, 24), 1.0, QSize(24, 24), 1.0}, Case{QSize(48, 48), 1.5, QSize(72, 72), 1.5},
          Case{QSize(), 1.25, QSize(30, 30), 1.25}, Case{QSize(), 0.0, QSize(24, 24), 1.0},
          Case{QSize(), -2.0, QSize(24, 24), 1.0}}) {
        const QPixmap drawn = KLArtwork::pixmap(QStringLiteral("chrome.png"), c.logical, c.ratio);
        EXPECT_EQ(drawn.size(), c.pixels);
        EXPECT_EQ(drawn.devicePixelRatio(), c.pixelRatio);
    }
    const QIcon icon = KLArtwork::icon(QStringLiteral("icon-info-dark"));
    EXPECT_EQ(icon.availableSizes().size(), 2);
}

TEST(Artwork, StaticDrawsNothingOutsideTheScreen) {
    for (int frame = 1; frame <= 50; ++frame) {
        const QString name = QString::asprintf("noise_%02d@2x.png", frame);
        for (const qreal ratio : {1.0, 2.0}) {
            SCOPED_TRACE(name.toStdString() + " at " + std::to_string(ratio));
            const QImage image = KLArtwork::pixmap(name, QSize(), ratio).toImage();
            const QRect inside(screen.topLeft() * ratio, screen.size() * ratio);
            int strayPixels = 0;
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x) {
                    strayPixels += !inside.contains(x, y) && qAlpha(image.pixel(x, y)) != 0;
                }
            }
            EXPECT_EQ(strayPixels, 0);
            EXPECT_TRUE(drawsSomething(image));
        }
    }
}
