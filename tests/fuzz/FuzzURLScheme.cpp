// The kinlkurl(s):// forms that the browser extension sends, with the page source after "kinlkdata::".
// The input is a URL and a page source, split at the first line feed.

#include "App/KLURLSchemeDecoder.h"
#include "KLFuzzEnvironment.h"
#include "KLFuzzInput.h"

#include <QUrl>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const KLFuzzInput input(data, size);
    const KLURLSchemeDecoder::Request request = KLURLSchemeDecoder::decode(input.text());
    KLURLSchemeDecoder::isAcceptedURL(QUrl(request.urlText));

    // What the extension encodes comes back unchanged, whatever the page holds.
    const auto [url, source] = input.split(QLatin1Char('\n'));
    if (url.contains(KLURLSchemeDecoder::dataMarker)) {
        return 0;
    }
    const KLURLSchemeDecoder::Request sent = KLURLSchemeDecoder::decode(
        url + KLURLSchemeDecoder::dataMarker + KLURLSchemeDecoder::encodePayload(source));
    KLFuzzEnvironment::require(sent.hasPayload && sent.source == source, "a page source survives its trip");
    KLFuzzEnvironment::require(sent.urlText == KLURLSchemeDecoder::replaceSchemes(url), "the URL is kept");
    return 0;
}
