#pragma once

#include <QByteArray>
#include <QRectF>

#include <memory>
#include <vector>

class QImage;
class QSvgRenderer;

// An SVG drawing rendered with its clip paths. Qt SVG 6.4 draws an element that names a clip path as if
// it named none, so a drawing that uses them is split into layers at every change of clip: each layer is
// rendered alone and kept only where its clip paths, rendered as opaque masks, cover it. A drawing
// without clip paths is a single layer, rendered exactly as Qt SVG renders it.
class TClippedSvg {
public:
    // Drawings that would need more layers than this, or more SVG text for them than MaxLayerBytes, are
    // drawn without their clip paths: the split must not cost more than the picture is worth.
    static constexpr int MaxLayers = 1000;
    static constexpr qsizetype MaxLayerBytes = qsizetype(64) << 20;

    explicit TClippedSvg(const QByteArray& svg);
    ~TClippedSvg();
    TClippedSvg(const TClippedSvg&) = delete;
    TClippedSvg& operator=(const TClippedSvg&) = delete;

    // False when Qt SVG cannot read the drawing.
    bool IsValid() const;
    // Number of layers the drawing is rendered in; 1 for a drawing without clip paths.
    int LayerCount() const;
    void SetViewBox(const QRectF& box);
    // Draws the picture stretched over bounds, in the target's pixels.
    void Render(QImage& target, const QRectF& bounds) const;

private:
    struct TLayer {
        std::unique_ptr<QSvgRenderer> Content;
        // Indices into FMasks; the layer is kept where all of them cover it.
        std::vector<int> Masks;
    };

    void Split(const QByteArray& svg);

    std::unique_ptr<QSvgRenderer> FWhole;
    std::vector<TLayer> FLayers;
    std::vector<std::unique_ptr<QSvgRenderer>> FMasks;
};
