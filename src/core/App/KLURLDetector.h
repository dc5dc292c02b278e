#pragma once

#include <QList>
#include <QString>
#include <QUrl>

// Finds the links in plain text, in order of appearance (duplicates kept): http, https, ftp and file URLs,
// and bare "www." host names (taken as http). Punctuation that ends a sentence, and a closing bracket or
// quote that the link did not open, are not part of the link.
class KLURLDetector final {
public:
    static QList<QUrl> detectURLs(const QString &text);

private:
    static QString trimTrailingPunctuation(const QString &candidate);
};
