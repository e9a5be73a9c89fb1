#pragma once

#include "platform/Controls.h"

#include <cstdint>
#include <string>
#include <vector>

// One recorded child rectangle; Right and Bottom are exclusive.
struct TRectHolder {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;
};

// A panel that keeps its children in proportion: on every size change each recorded child
// is placed at its design rectangle scaled by current size / design size (ties rounded to
// even). Ratios are always taken against the design rectangles, so resizing never drifts.
//
// Building it: create the children on the panel at their design bounds, set DTWidth and
// DTHeight to the design size (and the switches), then AfterLoad(), which records every
// direct child widget. A panel never loaded records nothing and never scales.
//
// - A child is known by its objectName(); a component child without one is known by its
//   component Name. Children sharing a name share the first recorded rectangle.
// - A child keeps its height when its "Tag" property (a QWidget dynamic property, since
//   plain Qt widgets have no Tag) is -1, or when it is a QLineEdit, QTextEdit or
//   QPlainTextEdit and ResizeEditHeights is false.
// - A design size of 0 or less on an axis gives no ratio: that axis is left unscaled.
// - Designing() stands in for the form designer: a resize then only records the size.
class TElasticPanel : public TPanel {
    Q_OBJECT
public:
    struct TChildRect {
        std::string Name;
        TRectHolder Rect;
    };

    explicit TElasticPanel(TComponent* AOwner = nullptr, QWidget* Parent = nullptr);

    bool ElasticHorizontal() const { return FElasticHorizontal; }
    void SetElasticHorizontal(bool Value) { FElasticHorizontal = Value; }
    bool ElasticVertical() const { return FElasticVertical; }
    void SetElasticVertical(bool Value) { FElasticVertical = Value; }
    int32_t DTWidth() const { return FDTWidth; }
    void SetDTWidth(int32_t Value) { FDTWidth = Value; }
    int32_t DTHeight() const { return FDTHeight; }
    void SetDTHeight(int32_t Value) { FDTHeight = Value; }
    bool ResizeEditHeights() const { return FResizeEditHeights; }
    void SetResizeEditHeights(bool Value) { FResizeEditHeights = Value; }

    int32_t BaseWidth() const { return FBaseWidth; }
    int32_t BaseHeight() const { return FBaseHeight; }
    bool IsLoaded() const { return FIsLoaded; }
    const std::vector<TChildRect>& ChildRects() const { return FChildRects; }

    void AfterLoad() override;

    // The name a child is recorded and found by.
    static std::string ChildName(const QWidget* Child);

protected:
    void Resize() override;

private:
    bool FElasticHorizontal = true;
    bool FElasticVertical = true;
    int32_t FBaseWidth = 0;
    int32_t FBaseHeight = 0;
    bool FIsLoaded = false;
    std::vector<TChildRect> FChildRects;
    int32_t FDTWidth = 0;
    int32_t FDTHeight = 0;
    bool FResizeEditHeights = false;
};
