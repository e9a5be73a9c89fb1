#include "platform/Text.h"

#include <QFile>
#include <QStringDecoder>

QString QtFileName(const std::string& Name) {
    return QFile::decodeName(QByteArray(Name.data(), qsizetype(Name.size())));
}

std::string FileNameBytes(const QString& Name) {
    return QFile::encodeName(Name).toStdString();
}

QString ShownText(const std::string& Bytes) {
    const QByteArrayView View(Bytes.data(), qsizetype(Bytes.size()));
    QStringDecoder Utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString Text = Utf8.decode(View);
    if (!Utf8.hasError())
        return Text;
    return QString::fromLatin1(View);
}

std::string TypedText(const QString& Text) {
    return Text.toUtf8().toStdString();
}

QString DrawnText(const std::string& Bytes) {
    QString Text = ShownText(Bytes);
    if (Text.size() > MaxDrawnCharacters)
        Text.truncate(Text.at(MaxDrawnCharacters - 1).isHighSurrogate() ? MaxDrawnCharacters - 1
                                                                        : MaxDrawnCharacters);
    return Text;
}
