// Which addresses found inside web content may be followed. Nothing here fetches anything: the non-loopback
// addresses are only parsed.
#include "Model/KLTask/KLError.h"
#include "Utils/KLAddressRules.h"

#include <gtest/gtest.h>

using Reach = KLAddressRules::Reach;

namespace {

QUrl u(const char *text) {
    return QUrl(QString::fromUtf8(text));
}

} // namespace

TEST(AddressRules, EverySpellingOfAHostHasTheReachTheToolsWouldGiveIt) {
    const struct {
        const char *address;
        Reach reach;
    } cases[] = {
        {"http://127.0.0.1:8080/a", Reach::Machine},
        {"http://0x7f.1/", Reach::Machine},
        {"http://2130706433/", Reach::Machine},
        {"http://127.1/", Reach::Machine},
        {"http://0x7f.1./", Reach::Machine},
        {"http://LOCALHOST./x", Reach::Machine},
        {"http://[::1]:99/", Reach::Machine},
        {"http://[::ffff:127.0.0.1]/", Reach::Machine},
        {"http://videos.example@127.0.0.1/a.mp4", Reach::Machine},
        {"file:///home/user/Private/", Reach::Machine},
        {"http://192.168.1.1/reboot?.mp4", Reach::PrivateNetwork},
        {"http://10.1.2.3/", Reach::PrivateNetwork},
        {"http://172.31.255.255/", Reach::PrivateNetwork},
        {"http://169.254.169.254/latest/meta-data/", Reach::PrivateNetwork},
        {"http://[fe80::1%25eth0]/", Reach::PrivateNetwork},
        {"http://[fd00::5]/", Reach::PrivateNetwork},
        {"http://[::ffff:192.168.0.1]/", Reach::PrivateNetwork},
        {"http://[64:ff9b::a00:1]/", Reach::PrivateNetwork},
        {"http://[2002:c0a8:101::1]/", Reach::PrivateNetwork},
        {"http://router/", Reach::PrivateNetwork},
        {"http://nas.local./share", Reach::PrivateNetwork},
        {"http://videos.example/page", Reach::Public},
        {"https://WWW.Example.ORG./v", Reach::Public},
        {"http://172.32.0.1/", Reach::Public},
        {"http://127.0.0.1.example/", Reach::Public},
    };
    for (const auto &test : cases) {
        EXPECT_EQ(KLAddressRules::reachOf(u(test.address)), test.reach) << test.address;
    }
}

TEST(AddressRules, APageLeadsOnlyToWebAddressesAtLeastAsPublicAsItself) {
    const char *publicPage = "http://videos.example/page.html";
    const char *privatePage = "http://192.168.1.20/page.html";
    const char *machinePage = "http://127.0.0.1:8000/page.html";
    const struct {
        const char *found;
        bool fromPublic, fromPrivate, fromMachine;
    } cases[] = {
        {"https://cdn.example/a.mp4", true, true, true},
        {"http://10.0.0.8/a.mp4", false, true, true},
        {"http://[::ffff:127.0.0.1]/a.mp4", false, false, true},
        {"http://localhost:631/", false, false, true},
        {"file:///home/user/Private/?.mp4", false, false, false},
        {"ftp://127.0.0.1/a.mp4", false, false, false},
        {"ftp://files.example/a.mp4", false, false, false},
        {"kinlkurl://videos.example/a", false, false, false},
        {"javascript:alert(1)", false, false, false},
        {"http:///a.mp4", false, false, false},
    };
    for (const auto &test : cases) {
        const QUrl found = u(test.found);
        EXPECT_EQ(KLAddressRules::mayFollow(found, u(publicPage)), test.fromPublic) << test.found;
        EXPECT_EQ(KLAddressRules::mayFollow(found, u(privatePage)), test.fromPrivate) << test.found;
        EXPECT_EQ(KLAddressRules::mayFollow(found, u(machinePage)), test.fromMachine) << test.found;
    }
}

TEST(AddressRules, RefusalsAreReportedOnlyWhenNothingIsLeft) {
    const QUrl page = u("http://videos.example/page.html");
    std::shared_ptr<KLError> refusal;
    EXPECT_EQ(KLAddressRules::followable({u("http://127.0.0.1/a.mp4"), u("https://cdn.example/b.mp4")}, page,
                                         &refusal),
              QList<QUrl>{u("https://cdn.example/b.mp4")});
    EXPECT_EQ(refusal, nullptr);

    EXPECT_TRUE(
        KLAddressRules::followable({u("file:///etc/"), u("http://10.0.0.1/")}, page, &refusal).isEmpty());
    ASSERT_NE(refusal, nullptr);
    EXPECT_EQ(refusal->errorDescription(),
              QStringLiteral("http://videos.example/page.html (%1)").arg(KLAddressRules::refusalCause));

    // The length counts as the address is quoted for the shell: a single quote takes four characters.
    const qsizetype limit = KLAddressRules::maximumAddressLength;
    EXPECT_EQ(KLAddressRules::lengthRefusalFor(QString(limit - 2, QLatin1Char('a'))), nullptr);
    EXPECT_NE(KLAddressRules::lengthRefusalFor(QString(limit - 1, QLatin1Char('a'))), nullptr);
    EXPECT_NE(KLAddressRules::lengthRefusalFor(QString(limit / 3, QLatin1Char('\''))), nullptr);
}
