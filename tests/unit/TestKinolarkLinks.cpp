// kinolark-links on the kinds of HTML found in the wild: relative and protocol-relative addresses, <base>,
// broken markup, pages in other encodings, and the command line's failures.

#include "KLTestEnvironment.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct LinksRun {
    int exitCode = -1;
    QStringList lines;
    QByteArray errors;
};

LinksRun runLinks(const QStringList &arguments, const QByteArray &input = QByteArray()) {
    QProcess process;
    process.start(KLTestEnvironment::binaryDirectory() + QStringLiteral("/bin/kinolark-links"), arguments);
    process.write(input);
    process.closeWriteChannel();
    LinksRun run;
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.lines =
        QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    run.errors = process.readAllStandardError();
    return run;
}

QStringList links(const QString &mode, const QByteArray &html, const QString &base = QString()) {
    QStringList arguments{mode};
    if (!base.isNull()) {
        arguments << QStringLiteral("--base") << base;
    }
    const LinksRun run = runLinks(arguments, html);
    EXPECT_EQ(run.exitCode, 0) << run.errors.constData();
    return run.lines;
}

const QString pageBase = QStringLiteral("http://example.org/dir/sub/page.html?x=1");

} // namespace

TEST(TestKinolarkLinks, ResolvesRelativeAddressesAgainstTheBase) {
    const QByteArray html =
        "<a href='clip.mp4'>1</a><a href='../up.webm'>2</a><a href='/root.mp4'>3</a>"
        "<a href='?q=2'>4</a><a href='//cdn.example.net/v.mp4'>5</a>"
        "<a href='https://other.example.com/a/./b/../c.mp4'>6</a><a href='../../../../x'>7</a>"
        "<a href='/./a/../b'>8</a>";
    EXPECT_EQ(links(QStringLiteral("links"), html, pageBase),
              (QStringList{QStringLiteral("http://example.org/dir/sub/clip.mp4"),
                           QStringLiteral("http://example.org/dir/up.webm"),
                           QStringLiteral("http://example.org/root.mp4"),
                           QStringLiteral("http://example.org/dir/sub/page.html?q=2"),
                           QStringLiteral("http://cdn.example.net/v.mp4"),
                           QStringLiteral("https://other.example.com/a/c.mp4"),
                           QStringLiteral("http://example.org/x"), QStringLiteral("http://example.org/b")}));
}

TEST(TestKinolarkLinks, PageBaseWinsAndIsItselfResolved) {
    const QByteArray html =
        "<html><head><base href='/media/'><base href='http://ignored.example/'></head>"
        "<body><a href='a.mp4'>a</a><a href='http://abs.example/b.mp4'>b</a></body></html>";
    EXPECT_EQ(links(QStringLiteral("links"), html, pageBase),
              (QStringList{QStringLiteral("http://example.org/media/a.mp4"),
                           QStringLiteral("http://abs.example/b.mp4")}));

    // An absolute <base> needs no given base; a relative one without a given base cannot be used.
    EXPECT_EQ(links(QStringLiteral("links"), "<base href='https://b.example/x/'><a href='y'>y</a>"),
              QStringList{QStringLiteral("https://b.example/x/y")});
    EXPECT_EQ(links(QStringLiteral("links"), "<base href='x/'><a href='y'>y</a><a href='http://k/z'>z</a>"),
              QStringList{QStringLiteral("http://k/z")});
    // A base element further down still counts, as it does in browsers.
    EXPECT_EQ(links(QStringLiteral("links"), "<a href='y'>y</a><base href='http://late.example/'>", pageBase),
              QStringList{QStringLiteral("http://late.example/y")});
}

TEST(TestKinolarkLinks, WithoutAnyBaseKeepsOnlyWhatCanBeMadeAbsolute) {
    const QByteArray html = "<a href='relative.mp4'>r</a><a href='//cdn.example.net/v.mp4'>p</a>"
                            "<a href='HTTP://Upper.Example/x'>u</a>";
    EXPECT_EQ(links(QStringLiteral("links"), html),
              (QStringList{QStringLiteral("https://cdn.example.net/v.mp4"),
                           QStringLiteral("HTTP://Upper.Example/x")}));
}

TEST(TestKinolarkLinks, SkipsAddressesThatLeadNowhere) {
    const QByteArray html = "<a href=''>e</a><a href='   '>b</a><a href='#top'>f</a><a>no href</a>"
                            "<a href='javascript:play()'>j</a><a href='JavaScript:x'>J</a>"
                            "<a href='data:text/html,x'>d</a><a href='mailto:a@b.c'>m</a>"
                            "<a href=' keep.mp4#t=10 '>k</a>";
    EXPECT_EQ(links(QStringLiteral("links"), html, pageBase),
              QStringList{QStringLiteral("http://example.org/dir/sub/keep.mp4#t=10")});
}

TEST(TestKinolarkLinks, ModesSelectTheirElementsInDocumentOrderWithDuplicates) {
    const QByteArray html =
        "<body><a href='a.html'>a</a><video src='v.mp4' poster='p.jpg'>"
        "<source src='s.webm'><track src='t.vtt'></video><iframe src='//player.example/e/1'></iframe>"
        "<audio src='m.mp3'></audio><img src='i.png'><embed src='e.swf'>"
        "<object data='o.swf'></object><a href='a.html'>again</a>"
        "<iframe src='about:blank'></iframe><iframe src='frame.html'></iframe></body>";
    const QString base = QStringLiteral("http://h.example/");
    EXPECT_EQ(
        links(QStringLiteral("links"), html, base),
        (QStringList{QStringLiteral("http://h.example/a.html"), QStringLiteral("http://h.example/a.html")}));
    EXPECT_EQ(
        links(QStringLiteral("media"), html, base),
        (QStringList{QStringLiteral("http://h.example/a.html"), QStringLiteral("http://h.example/v.mp4"),
                     QStringLiteral("http://h.example/s.webm"), QStringLiteral("http://h.example/m.mp3"),
                     QStringLiteral("http://h.example/e.swf"), QStringLiteral("http://h.example/o.swf"),
                     QStringLiteral("http://h.example/a.html")}));
    EXPECT_EQ(links(QStringLiteral("iframes"), html, base),
              (QStringList{QStringLiteral("http://player.example/e/1"),
                           QStringLiteral("http://h.example/frame.html")}));
}

TEST(TestKinolarkLinks, RecoversFromBrokenMarkup) {
    const QByteArray html = "<HTML><BODY><p>unclosed <A HREF=one.mp4>one<div><a href=\"two.mp4\">two"
                            "<table><tr><td><a href='three.mp4'>three</td></table>"
                            "<a href='four.mp4' <a href='five.mp4'>broken attribute</a>"
                            "<script>var s = '<a href=\"not-a-link.mp4\">';</script>"
                            "<!-- <a href='commented.mp4'> --><a href='six.mp4'>";
    const QStringList found = links(QStringLiteral("links"), html, QStringLiteral("http://h/"));
    ASSERT_GE(found.size(), 4);
    EXPECT_EQ(found.mid(0, 3),
              (QStringList{QStringLiteral("http://h/one.mp4"), QStringLiteral("http://h/two.mp4"),
                           QStringLiteral("http://h/three.mp4")}));
    EXPECT_EQ(found.last(), QStringLiteral("http://h/six.mp4"));
    EXPECT_FALSE(found.contains(QStringLiteral("http://h/not-a-link.mp4")));
    EXPECT_FALSE(found.contains(QStringLiteral("http://h/commented.mp4")));
}

TEST(TestKinolarkLinks, ReadsOtherEncodingsAndEscapesTheResult) {
    const QString base = QStringLiteral("http://h/");
    // Declared Latin-1, undeclared windows-1252 (é and the euro sign), UTF-8, and UTF-16 with a byte order
    // mark.
    EXPECT_EQ(links(QStringLiteral("links"), "<meta charset='iso-8859-1'><a href='caf\xe9.mp4'>x</a>", base),
              QStringList{QStringLiteral("http://h/caf%C3%A9.mp4")});
    EXPECT_EQ(links(QStringLiteral("links"), "<a href='caf\xe9\x80.mp4'>x</a>", base),
              QStringList{QStringLiteral("http://h/caf%C3%A9%E2%82%AC.mp4")});
    EXPECT_EQ(links(QStringLiteral("links"), "<a href='caf\xc3\xa9 clip.mp4'>x</a>", base),
              QStringList{QStringLiteral("http://h/caf%C3%A9%20clip.mp4")});
    QByteArray utf16("\xff\xfe", 2);
    for (const QChar c : QStringLiteral("<a href=\"\u00fc.mp4\">x</a>")) {
        utf16.append(static_cast<char>(c.unicode() & 0xff)).append(static_cast<char>(c.unicode() >> 8));
    }
    EXPECT_EQ(links(QStringLiteral("links"), utf16, base),
              QStringList{QStringLiteral("http://h/%C3%BC.mp4")});
    // Encoded bytes in the host of a protocol-relative address stay encoded: a decoded line break would
    // make two URLs of one.
    EXPECT_EQ(
        links(QStringLiteral("links"),
              "<a href='//x%0Afile%3A%2F%2F%2Fetc%2Fpasswd'>x</a><a href='//a%20b/c'>y</a>", base),
        (QStringList{QStringLiteral("http://x%0Afile:///etc/passwd"), QStringLiteral("http://a%20b/c")}));
    // Entities are decoded; what is encoded already stays as it is, a stray percent sign gets encoded.
    EXPECT_EQ(links(QStringLiteral("links"), "<a href='x?a=1&amp;b=%41&c=100%'>x</a>", base),
              QStringList{QStringLiteral("http://h/x?a=1&b=%41&c=100%25")});
}

TEST(TestKinolarkLinks, ReadsFilesAndReportsCommandLineFaults) {
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("-page with blanks.html"));
    KLTestEnvironment::writeFile(file, "<iframe src='https://player.example/1'></iframe>");
    LinksRun run = runLinks({QStringLiteral("iframes"), QStringLiteral("--"), file});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.lines, QStringList{QStringLiteral("https://player.example/1")});

    // Nothing found (an empty file among them) is no failure, and an empty base means none.
    run = runLinks({QStringLiteral("links"), QStringLiteral("--base"), QString(), QStringLiteral("-")});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.lines.isEmpty());

    const QList<QStringList> faulty = {
        {},
        {QStringLiteral("anchors")},
        {QStringLiteral("links"), QStringLiteral("--base")},
        {QStringLiteral("links"), QStringLiteral("--base"), QStringLiteral("not/absolute")},
        {QStringLiteral("links"), QStringLiteral("--frobnicate")},
        {QStringLiteral("links"), file, file},
        {QStringLiteral("links"), folder.filePath(QStringLiteral("missing.html"))},
    };
    for (const QStringList &arguments : faulty) {
        run = runLinks(arguments);
        EXPECT_NE(run.exitCode, 0) << arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_FALSE(run.errors.isEmpty()) << arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(run.lines.isEmpty());
    }
}
