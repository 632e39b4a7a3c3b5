#include "platform/ClippedSvg.h"

#include <QHash>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

// Deeper documents are drawn without their clip paths: the parse below recurses once per level.
constexpr int MaxDepth = 256;
// A clipPath may name a clip path of its own; a longer chain (or a loop) ends here.
constexpr int MaxClipChain = 8;
// The id that a mask document gives the group of its clip shapes, to ask Qt SVG for their extent.
const QString MaskGroupId = QStringLiteral("clip-shapes");

// One element of the drawing, or a piece of character data (empty Name).
struct TNode {
    QString Name; // as written, with any prefix
    QXmlStreamAttributes Attributes;
    QString Text;
    std::vector<TNode> Children;
    // The drawing elements in and under this node, as a range of their document order.
    int FirstDrawing = 0;
    int EndDrawing = 0;
    // Whether the subtree holds definitions (gradients, patterns, styles...) that every layer needs.
    bool HoldsDefinitions = false;
};

QStringView LocalName(const QString& name) {
    return QStringView(name).mid(name.indexOf(u':') + 1);
}

enum class TRole { Container, Drawing, Definition };

TRole RoleOf(const TNode& node) {
    static const QStringList containers = {QStringLiteral("svg"), QStringLiteral("g"), QStringLiteral("a"),
                                           QStringLiteral("switch")};
    static const QStringList drawings = {QStringLiteral("path"),    QStringLiteral("rect"),
                                         QStringLiteral("circle"),  QStringLiteral("ellipse"),
                                         QStringLiteral("line"),    QStringLiteral("polyline"),
                                         QStringLiteral("polygon"), QStringLiteral("text"),
                                         QStringLiteral("image"),   QStringLiteral("use")};
    const QStringView local = LocalName(node.Name);
    if (containers.contains(local)) {
        return TRole::Container;
    }
    return drawings.contains(local) ? TRole::Drawing : TRole::Definition;
}

bool IsClipPath(const TNode& node) {
    return LocalName(node.Name) == u"clipPath";
}

bool ParseChildren(QXmlStreamReader& reader, TNode& parent, int depth) {
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement: {
            if (depth >= MaxDepth) {
                return false;
            }
            TNode& child = parent.Children.emplace_back();
            child.Name = reader.qualifiedName().toString();
            child.Attributes = reader.attributes();
            if (!ParseChildren(reader, child, depth + 1)) {
                return false;
            }
            break;
        }
        case QXmlStreamReader::EndElement:
            return true;
        case QXmlStreamReader::Characters:
            parent.Children.emplace_back().Text = reader.text().toString();
            break;
        default:
            break;
        }
    }
    return !reader.hasError();
}

// The document's root element, or nothing when the text is not well-formed XML.
std::optional<TNode> ParseDocument(const QByteArray& svg) {
    QXmlStreamReader reader(svg);
    // Namespace declarations stay ordinary attributes, so that they are written back as they came.
    reader.setNamespaceProcessing(false);
    TNode document;
    if (!ParseChildren(reader, document, 0)) {
        return std::nullopt;
    }
    for (TNode& node : document.Children) {
        if (LocalName(node.Name) == u"svg") {
            return std::move(node);
        }
    }
    return std::nullopt;
}

// The id in a clip-path attribute or style property: url(#id).
QString ClipIdOf(const TNode& node) {
    static const QRegularExpression reference(QStringLiteral("url\\(\\s*['\"]?#([^'\")\\s]+)"));
    static const QRegularExpression inStyle(QStringLiteral("(?:^|;)\\s*clip-path\\s*:([^;]*)"));
    QString value = node.Attributes.value(QStringLiteral("clip-path")).toString();
    const QRegularExpressionMatch styled = inStyle.match(node.Attributes.value(QStringLiteral("style")));
    if (styled.hasMatch()) {
        value = styled.captured(1);
    }
    const QRegularExpressionMatch match = reference.match(value);
    return match.hasMatch() ? match.captured(1) : QString();
}

using TAttributeEdit = void (*)(QXmlStreamAttributes&, const QString&);

void WriteCopy(QXmlStreamWriter& out, const TNode& node, TAttributeEdit edit = nullptr,
               const QString& argument = QString()) {
    if (node.Name.isEmpty()) {
        out.writeCharacters(node.Text);
        return;
    }
    if (IsClipPath(node)) {
        return;
    }
    out.writeStartElement(node.Name);
    QXmlStreamAttributes attributes = node.Attributes;
    if (edit) {
        edit(attributes, argument);
    }
    out.writeAttributes(attributes);
    for (const TNode& child : node.Children) {
        WriteCopy(out, child);
    }
    out.writeEndElement();
}

void WithoutAttributes(QXmlStreamAttributes& attributes, std::initializer_list<QStringView> names) {
    attributes.erase(std::remove_if(attributes.begin(), attributes.end(),
                                    [&](const QXmlStreamAttribute& attribute) {
                                        return std::find(names.begin(), names.end(),
                                                         attribute.qualifiedName()) != names.end();
                                    }),
                     attributes.end());
}

// A clip path as one element uses it: the transforms from the root down to that element, which place
// the clip path's shapes in the drawing.
struct TClip {
    QStringList Transforms;
    const TNode* Path = nullptr;
};

// Numbers the drawing elements in document order and finds the clip paths each is drawn through.
class TClipFinder {
public:
    explicit TClipFinder(TNode& root) {
        CollectClipPaths(root);
        if (ClipPaths.isEmpty()) {
            return;
        }
        QStringList transforms;
        std::vector<int> clips;
        Number(root, transforms, clips);
    }

    std::vector<TClip> Clips;
    // For each drawing element, the indices into Clips of the clip paths it is drawn through.
    std::vector<std::vector<int>> DrawingClips;

private:
    void CollectClipPaths(const TNode& node) {
        if (IsClipPath(node)) {
            const QString id = node.Attributes.value(QStringLiteral("id")).toString();
            if (!id.isEmpty() && !ClipPaths.contains(id)) {
                ClipPaths.insert(id, &node);
            }
        }
        for (const TNode& child : node.Children) {
            CollectClipPaths(child);
        }
    }

    void Number(TNode& node, QStringList& transforms, std::vector<int>& clips) {
        node.FirstDrawing = node.EndDrawing = int(DrawingClips.size());
        if (node.Name.isEmpty()) {
            return;
        }
        const TRole role = RoleOf(node);
        if (role == TRole::Definition) {
            node.HoldsDefinitions = HoldsDefinitions(node);
            return;
        }
        const qsizetype transformsBefore = transforms.size();
        const std::size_t clipsBefore = clips.size();
        if (LocalName(node.Name) != u"svg") {
            transforms.push_back(node.Attributes.value(QStringLiteral("transform")).toString());
        }
        AddClips(node, transforms, clips);
        if (role == TRole::Drawing) {
            DrawingClips.push_back(clips);
        } else {
            for (TNode& child : node.Children) {
                Number(child, transforms, clips);
                node.HoldsDefinitions = node.HoldsDefinitions || child.HoldsDefinitions;
            }
        }
        transforms.resize(transformsBefore);
        clips.resize(clipsBefore);
        node.EndDrawing = int(DrawingClips.size());
    }

    // Clip paths are only of use where they are referred to; a defs element of nothing else is left out.
    static bool HoldsDefinitions(const TNode& node) {
        if (IsClipPath(node)) {
            return false;
        }
        if (LocalName(node.Name) != u"defs") {
            return true;
        }
        return std::any_of(node.Children.begin(), node.Children.end(), [](const TNode& child) {
            return !child.Name.isEmpty() && HoldsDefinitions(child);
        });
    }

    void AddClips(const TNode& referrer, const QStringList& transforms, std::vector<int>& clips) {
        const TNode* source = &referrer;
        for (int link = 0; link < MaxClipChain; ++link) {
            const TNode* path = ClipPaths.value(ClipIdOf(*source));
            // Clip shapes in units of each element's own extent are left to Qt SVG, which ignores them.
            if (!path || path->Attributes.value(QStringLiteral("clipPathUnits")) == u"objectBoundingBox") {
                return;
            }
            // The same shapes used by elements in the same coordinates are one mask.
            const QString key = ShapesOf(*path) + u'\n' + transforms.join(u'\n');
            int index = ClipIndex.value(key, -1);
            if (index < 0) {
                index = int(Clips.size());
                Clips.push_back({transforms, path});
                ClipIndex.insert(key, index);
            }
            clips.push_back(index);
            source = path;
        }
    }

    // Converters write a new clip path for every clip record, even one that repeats the last: clip paths
    // are told apart by what they hold, not by their ids.
    const QString& ShapesOf(const TNode& path) {
        auto known = Shapes.find(&path);
        if (known == Shapes.end()) {
            QString text;
            QXmlStreamWriter out(&text);
            QXmlStreamAttributes attributes = path.Attributes;
            WithoutAttributes(attributes, {u"id"});
            out.writeStartElement(path.Name);
            out.writeAttributes(attributes);
            for (const TNode& child : path.Children) {
                WriteCopy(out, child);
            }
            out.writeEndElement();
            known = Shapes.insert(&path, text);
        }
        return *known;
    }

    QHash<QString, const TNode*> ClipPaths;
    QHash<const TNode*, QString> Shapes;
    QHash<QString, int> ClipIndex;
};

void WithoutClip(QXmlStreamAttributes& attributes, const QString&) {
    WithoutAttributes(attributes, {u"clip-path"});
}

// A clip path's shape as its mask draws it: filled opaque by its clip rule, nothing else. Its own paint,
// opacity and style give way to the mask's.
void PaintedAsMask(QXmlStreamAttributes& attributes, const QString& inheritedRule) {
    const QString rule = attributes.hasAttribute(QStringLiteral("clip-rule"))
                             ? attributes.value(QStringLiteral("clip-rule")).toString()
                             : inheritedRule;
    WithoutAttributes(attributes,
                      {u"fill", u"fill-opacity", u"fill-rule", u"stroke", u"opacity", u"clip-path",
                       u"clip-rule", u"style", u"mask", u"filter", u"visibility", u"display"});
    const QString paint =
        QStringLiteral("fill:#000000;fill-opacity:1;fill-rule:%1;stroke:none;opacity:1").arg(rule);
    attributes.append(QStringLiteral("style"), paint);
}

// Writes a root element like the drawing's, with the same size and view box, around what body writes.
template <typename TBody> QByteArray Document(const TNode& root, TBody body) {
    QByteArray svg;
    QXmlStreamWriter out(&svg);
    out.writeStartDocument();
    out.writeStartElement(root.Name);
    QXmlStreamAttributes attributes = root.Attributes;
    WithoutClip(attributes, QString());
    out.writeAttributes(attributes);
    body(out);
    out.writeEndElement();
    out.writeEndDocument();
    return svg;
}

// The element names a mask document adds, with the drawing's prefix.
QString Prefixed(const TNode& root, const char* name) {
    return root.Name.left(root.Name.indexOf(u':') + 1) + QLatin1String(name);
}

// The drawing elements first..end - 1 with every container and definition around them.
void WriteLayer(QXmlStreamWriter& out, const TNode& node, int first, int end) {
    if (node.Name.isEmpty()) {
        return;
    }
    switch (RoleOf(node)) {
    case TRole::Definition:
        if (node.HoldsDefinitions) {
            WriteCopy(out, node);
        }
        return;
    case TRole::Drawing:
        if (node.FirstDrawing >= first && node.FirstDrawing < end) {
            WriteCopy(out, node, WithoutClip);
        }
        return;
    case TRole::Container:
        if ((node.EndDrawing <= first || node.FirstDrawing >= end) && !node.HoldsDefinitions) {
            return;
        }
        out.writeStartElement(node.Name);
        QXmlStreamAttributes attributes = node.Attributes;
        WithoutClip(attributes, QString());
        out.writeAttributes(attributes);
        for (const TNode& child : node.Children) {
            WriteLayer(out, child, first, end);
        }
        out.writeEndElement();
        return;
    }
}

QByteArray LayerDocument(const TNode& root, int first, int end) {
    return Document(root, [&](QXmlStreamWriter& out) {
        for (const TNode& child : root.Children) {
            WriteLayer(out, child, first, end);
        }
    });
}

// The clip path's shapes, opaque, where the element that uses it would draw them.
QByteArray MaskDocument(const TNode& root, const TClip& clip) {
    return Document(root, [&](QXmlStreamWriter& out) {
        QStringList transforms = clip.Transforms;
        transforms.push_back(clip.Path->Attributes.value(QStringLiteral("transform")).toString());
        for (const QString& transform : transforms) {
            out.writeStartElement(Prefixed(root, "g"));
            if (!transform.isEmpty()) {
                out.writeAttribute(QStringLiteral("transform"), transform);
            }
        }
        out.writeStartElement(Prefixed(root, "g"));
        out.writeAttribute(QStringLiteral("id"), MaskGroupId);
        const QString rule = clip.Path->Attributes.hasAttribute(QStringLiteral("clip-rule"))
                                 ? clip.Path->Attributes.value(QStringLiteral("clip-rule")).toString()
                                 : QStringLiteral("nonzero");
        for (const TNode& shape : clip.Path->Children) {
            if (!shape.Name.isEmpty() && RoleOf(shape) == TRole::Drawing) {
                WriteCopy(out, shape, PaintedAsMask, rule);
            }
        }
        for (qsizetype i = 0; i <= transforms.size(); ++i) {
            out.writeEndElement();
        }
    });
}

// Where a renderer's drawing lands in target pixels when its view box is stretched over bounds.
QTransform ViewBoxToTarget(const QSvgRenderer& renderer, const QRectF& bounds) {
    const QRectF box = renderer.viewBoxF();
    if (box.width() <= 0 || box.height() <= 0) {
        return QTransform();
    }
    const double scaleX = bounds.width() / box.width(), scaleY = bounds.height() / box.height();
    return QTransform(scaleX, 0, 0, scaleY, bounds.x() - box.x() * scaleX, bounds.y() - box.y() * scaleY);
}

// The target pixels that a mask can cover, a pixel wider all round for the antialiased edge; the whole
// target when Qt SVG cannot tell.
QRect MaskExtent(const QSvgRenderer& mask, const QRectF& bounds, const QRect& target) {
    const QRectF shapes = mask.boundsOnElement(MaskGroupId);
    if (!shapes.isValid()) {
        return target;
    }
    const QRectF placed =
        (mask.transformForElement(MaskGroupId) * ViewBoxToTarget(mask, bounds)).mapRect(shapes);
    const QRect pixels(QPoint(int(std::floor(placed.left())) - 1, int(std::floor(placed.top())) - 1),
                       QPoint(int(std::ceil(placed.right())) + 1, int(std::ceil(placed.bottom())) + 1));
    return pixels.intersected(target);
}

// Renders the given part of the target into the top left of scratch (as large as the target), transparent
// where nothing is drawn, and returns that corner. The scratch images serve every layer, so a drawing of
// many layers does not map fresh pages for each.
QImage RenderPart(QSvgRenderer& renderer, const QRectF& bounds, const QRect& part, QImage& scratch) {
    QImage image(scratch.bits(), part.width(), part.height(), scratch.bytesPerLine(), scratch.format());
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.translate(-part.topLeft());
    renderer.render(&painter, bounds);
    return image;
}

} // namespace

TClippedSvg::TClippedSvg(const QByteArray& svg) : FWhole(std::make_unique<QSvgRenderer>(svg)) {
    if (FWhole->isValid() && svg.contains("clip-path")) {
        Split(svg);
    }
}

TClippedSvg::~TClippedSvg() = default;

void TClippedSvg::Split(const QByteArray& svg) {
    std::optional<TNode> root = ParseDocument(svg);
    if (!root) {
        return;
    }
    const TClipFinder finder(*root);
    const auto& drawings = finder.DrawingClips;
    if (std::all_of(drawings.begin(), drawings.end(), [](const auto& clips) { return clips.empty(); })) {
        return;
    }
    std::vector<TLayer> layers;
    std::vector<std::unique_ptr<QSvgRenderer>> masks(finder.Clips.size());
    qsizetype bytes = 0;
    const auto renderer = [&bytes](const QByteArray& document) {
        bytes += document.size();
        if (bytes > MaxLayerBytes) {
            return std::unique_ptr<QSvgRenderer>();
        }
        auto made = std::make_unique<QSvgRenderer>(document);
        return made->isValid() ? std::move(made) : nullptr;
    };
    for (int first = 0; first < int(drawings.size());) {
        int end = first + 1;
        while (end < int(drawings.size()) && drawings[std::size_t(end)] == drawings[std::size_t(first)]) {
            ++end;
        }
        if (int(layers.size()) == MaxLayers) {
            return;
        }
        TLayer& layer = layers.emplace_back();
        layer.Content = renderer(LayerDocument(*root, first, end));
        if (!layer.Content) {
            return;
        }
        for (const int clip : drawings[std::size_t(first)]) {
            if (!masks[std::size_t(clip)]) {
                masks[std::size_t(clip)] = renderer(MaskDocument(*root, finder.Clips[std::size_t(clip)]));
                if (!masks[std::size_t(clip)]) {
                    return;
                }
            }
            layer.Masks.push_back(clip);
        }
        first = end;
    }
    FLayers = std::move(layers);
    FMasks = std::move(masks);
}

bool TClippedSvg::IsValid() const {
    return FWhole->isValid();
}

int TClippedSvg::LayerCount() const {
    return FLayers.empty() ? 1 : int(FLayers.size());
}

void TClippedSvg::SetViewBox(const QRectF& box) {
    FWhole->setViewBox(box);
    for (const TLayer& layer : FLayers) {
        layer.Content->setViewBox(box);
    }
    for (const auto& mask : FMasks) {
        if (mask) {
            mask->setViewBox(box);
        }
    }
}

void TClippedSvg::Render(QImage& target, const QRectF& bounds) const {
    QPainter painter(&target);
    if (FLayers.empty()) {
        FWhole->render(&painter, bounds);
        return;
    }
    QImage content(target.size(), QImage::Format_ARGB32_Premultiplied);
    QImage mask(target.size(), QImage::Format_ARGB32_Premultiplied);
    for (const TLayer& layer : FLayers) {
        if (layer.Masks.empty()) {
            layer.Content->render(&painter, bounds);
            continue;
        }
        QRect part = target.rect();
        for (const int clip : layer.Masks) {
            part = MaskExtent(*FMasks[std::size_t(clip)], bounds, part);
        }
        if (part.isEmpty()) {
            continue;
        }
        QImage clipped = RenderPart(*layer.Content, bounds, part, content);
        QPainter keep(&clipped);
        keep.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        for (const int clip : layer.Masks) {
            keep.drawImage(0, 0, RenderPart(*FMasks[std::size_t(clip)], bounds, part, mask));
        }
        keep.end();
        painter.drawImage(part.topLeft(), clipped);
    }
}
