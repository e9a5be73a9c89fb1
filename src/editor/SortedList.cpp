#include "editor/SortedList.h"

#include <QListWidget>

#include <algorithm>

namespace SortedList {

namespace {

bool Before(const QString& A, const QString& B) {
    return QString::compare(A, B, Qt::CaseInsensitive) < 0;
}

} // namespace

int Insert(QListWidget* List, const QString& Text, const QVariant& Data) {
    int Low = 0, High = List->count();
    while (Low < High) {
        const int Mid = (Low + High) / 2;
        if (Before(Text, List->item(Mid)->text()))
            High = Mid;
        else
            Low = Mid + 1;
    }
    auto* Item = new QListWidgetItem(Text);
    if (Data.isValid())
        Item->setData(Qt::UserRole, Data);
    List->insertItem(Low, Item);
    return Low;
}

void Fill(QListWidget* List, std::vector<std::pair<QString, QVariant>> Entries) {
    std::stable_sort(Entries.begin(), Entries.end(),
                     [](const auto& A, const auto& B) { return Before(A.first, B.first); });
    List->setUpdatesEnabled(false);
    List->clear();
    for (auto& [Text, Data] : Entries) {
        auto* Item = new QListWidgetItem(Text);
        if (Data.isValid())
            Item->setData(Qt::UserRole, Data);
        List->addItem(Item);
    }
    List->setUpdatesEnabled(true);
}

} // namespace SortedList
