#include "editor/PointsEditorForm.h"

#include "platform/Text.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTextBlock>
#include <QTextCursor>

TfrmPointsEditor::TfrmPointsEditor(QWidget* Parent)
    : QWidget(Parent, Qt::Tool | Qt::WindowStaysOnTopHint) {
    setObjectName("frmPointsEditor");
    setWindowTitle("Points Editor");
    setFixedSize(157, 180);

    memoPoints = new QPlainTextEdit(this);
    memoPoints->setObjectName("memoPoints");
    memoPoints->setGeometry(0, 0, 157, 145);
    memoPoints->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memoPoints->setLineWrapMode(QPlainTextEdit::NoWrap);
    memoPoints->setTabChangesFocus(true);
    memoPoints->installEventFilter(this);
    connect(memoPoints, &QPlainTextEdit::textChanged, this, [this] {
        if (OnChange)
            OnChange();
    });

    btnClear = new QPushButton("Clear", this);
    btnClear->setObjectName("btnClear");
    btnClear->setGeometry(8, 152, 57, 25);
    connect(btnClear, &QPushButton::clicked, this, [this] { btnClearClick(); });

    btnRemove = new QPushButton("Remove Last", this);
    btnRemove->setObjectName("btnRemove");
    btnRemove->setGeometry(72, 152, 81, 25);
    connect(btnRemove, &QPushButton::clicked, this, [this] { btnRemoveClick(); });

    // The window's cancel button: Esc presses it.
    auto* Escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    Escape->setContext(Qt::WindowShortcut);
    connect(Escape, &QShortcut::activated, btnRemove, &QPushButton::click);
}

std::vector<std::string> TfrmPointsEditor::Lines() const {
    std::vector<std::string> Result;
    const QString Text = memoPoints->toPlainText();
    if (Text.isEmpty())
        return Result;
    QStringList Parts = Text.split('\n');
    if (Parts.size() > 1 && Parts.last().isEmpty())
        Parts.removeLast();
    Result.reserve(size_t(Parts.size()));
    for (const QString& Part : Parts)
        Result.push_back(TypedText(Part));
    return Result;
}

int TfrmPointsEditor::LineCount() const {
    return int(Lines().size());
}

void TfrmPointsEditor::AddLine(const std::string& Line) {
    const QString Text = memoPoints->toPlainText();
    if (Text.isEmpty())
        memoPoints->setPlainText(ShownText(Line));
    else {
        QTextCursor Cursor(memoPoints->document());
        Cursor.movePosition(QTextCursor::End);
        Cursor.insertText((Text.endsWith('\n') ? QString() : QString("\n")) + ShownText(Line));
    }
    memoPoints->moveCursor(QTextCursor::End);
    memoPoints->ensureCursorVisible();
}

void TfrmPointsEditor::SetLines(const std::vector<std::string>& Lines) {
    QStringList Parts;
    for (const std::string& Line : Lines)
        Parts << ShownText(Line);
    memoPoints->setPlainText(Parts.join('\n'));
}

void TfrmPointsEditor::Clear() {
    memoPoints->clear();
}

void TfrmPointsEditor::RemoveLast() {
    std::vector<std::string> Current = Lines();
    if (Current.empty())
        return;
    Current.pop_back();
    // Through a cursor, so that the memo's own undo can take the removal back.
    QTextCursor Cursor(memoPoints->document());
    Cursor.select(QTextCursor::Document);
    QStringList Parts;
    for (const std::string& Line : Current)
        Parts << ShownText(Line);
    Cursor.insertText(Parts.join('\n'));
}

void TfrmPointsEditor::memoPointsKeyPress(QObject*, char& Key) {
    const bool Passes = Key == 8 || Key == 13 || Key == ',' || (Key >= '0' && Key <= '9');
    if (!Passes)
        Key = 0;
}

void TfrmPointsEditor::btnClearClick() {
    Clear();
}

void TfrmPointsEditor::btnRemoveClick() {
    RemoveLast();
}

bool TfrmPointsEditor::eventFilter(QObject* Watched, QEvent* Event) {
    if (Watched == memoPoints && Event->type() == QEvent::KeyPress) {
        auto* Key = static_cast<QKeyEvent*>(Event);
        // Shortcuts (copy, paste, undo) and keys that type nothing pass unfiltered.
        if (Key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
            return false;
        const QString Text = Key->text();
        if (Text.isEmpty() || Key->key() == Qt::Key_Delete || Key->key() == Qt::Key_Escape)
            return false;
        const char16_t Code = Text.at(0).unicode();
        char Typed = Key->key() == Qt::Key_Return || Key->key() == Qt::Key_Enter ? char(13)
                     : Code < 128                                                ? char(Code)
                                                                                 : char(0);
        memoPointsKeyPress(memoPoints, Typed);
        return Typed == 0;
    }
    return QWidget::eventFilter(Watched, Event);
}

void TfrmPointsEditor::closeEvent(QCloseEvent* Event) {
    hide();
    Event->ignore();
}
