#include "cli/FindingJson.h"

#include "platform/Text.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

std::string JsonString(const std::string& Text) {
    // A one-element array is the smallest document Qt writes; its brackets are dropped.
    const QByteArray Array =
        QJsonDocument(QJsonArray{ShownText(Text)}).toJson(QJsonDocument::Compact);
    return Array.mid(1, Array.size() - 2).toStdString();
}

void WriteFindingsJson(std::ostream& Out, const std::string& FileName, int32_t ZoneCount,
                       int Status, const std::vector<TFinding>& Findings,
                       const TFindingCounts& Omitted) {
    TFindingCounts Totals = Omitted;
    QJsonArray List;
    for (const TFinding& F : Findings) {
        QJsonObject Item{{"kind", ShownText(F.Kind)}, {"message", ShownText(F.Message)}};
        if (F.Line > 0)
            Item["line"] = F.Line;
        if (F.Element >= 0)
            Item["element"] = QJsonObject{{"index", F.Element}, {"bitmap", ShownText(F.Bitmap)}};
        QJsonArray Zones;
        for (const TZoneRef& Z : F.Zones)
            Zones.append(QJsonObject{{"number", Z.Number}, {"name", ShownText(Z.Name)}});
        Item["zones"] = Zones;
        List.append(Item);
        ++Totals[F.Kind];
    }
    QJsonObject TotalsObject;
    qint64 Sum = 0;
    for (const auto& [Kind, Count] : Totals) {
        TotalsObject[ShownText(Kind)] = qint64(Count);
        Sum += Count;
    }
    const QJsonObject Document{{"file", ShownText(FileName)}, {"status", Status},
                               {"zoneCount", ZoneCount},      {"findings", List},
                               {"totals", TotalsObject},      {"findingCount", Sum}};
    Out << QJsonDocument(Document).toJson(QJsonDocument::Indented).toStdString();
}
