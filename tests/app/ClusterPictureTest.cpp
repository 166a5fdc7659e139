// The picture of the clusters: the renderer's per-component paint reaches
// exactly the components it names.
#include <gtest/gtest.h>

#include <string>

#include "engines/PlanFixture.h"
#include "app/SvgRenderer.h"

namespace autoplacer {
namespace {

// How often the text occurs in the picture.
int Occurrences(const std::string& text, const std::string& part) {
    int count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

class ClusterPicture : public plantest::PlanBoard {};

TEST_F(ClusterPicture, PaintColoursAndFramesOnlyTheNamedComponents) {
    const PcbHandle a = Block("A", {1000000, 1000000}, 200000, 200000);
    Block("B", {3000000, 1000000}, 200000, 200000);
    const PcbHandle c = Block("C", {5000000, 1000000}, 200000, 200000);
    hostpcb::Component* painted = &Host(a);
    hostpcb::Component* framed = &Host(c);

    app::RenderOptions options;
    options.connections = false;
    options.paint = [&](const hostpcb::Component& component) {
        if (&component == painted) {
            return app::ComponentPaint{"#123456", ""};
        }
        if (&component == framed) {
            return app::ComponentPaint{"#abcdef", "#111111"};
        }
        return app::ComponentPaint{};
    };
    const std::string svg = app::RenderBoardSvg(*board, options);
    EXPECT_EQ(Occurrences(svg, "fill=\"#123456\" fill-opacity=\"0.45\" stroke=\"#123456\" stroke-width=\"0.08\""), 1);
    EXPECT_EQ(Occurrences(svg, "fill=\"#abcdef\" fill-opacity=\"0.45\" stroke=\"#111111\" stroke-width=\"0.3\""), 1);
    // The unpainted component keeps the faint colour of its side.
    EXPECT_EQ(Occurrences(svg, "fill-opacity=\"0.10\""), 1);

    // Without a paint function every component is drawn the plain way.
    const std::string plain = app::RenderBoardSvg(*board, app::RenderOptions{});
    EXPECT_EQ(Occurrences(plain, "fill-opacity=\"0.10\""), 3);
    EXPECT_EQ(Occurrences(plain, "fill-opacity=\"0.45\""), 0);
}

}  // namespace
}  // namespace autoplacer
