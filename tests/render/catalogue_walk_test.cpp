// Every index a picture can carry, through dispatch, counting and rendering at one video size.
#include "album/transition_catalogue.h"
#include "effect_harness.h"
#include "render/transition_dispatch.h"
#include "render_fixture.h"


namespace velomira::testing {
namespace {

class CatalogueWalk : public RenderTest {};

TEST_F(CatalogueWalk, EveryIndexDispatchesCountsAndRenders) {
    const bool small = sanitizedBuild();
    const int width = small ? 160 : 640;
    const int height = small ? 90 : 360;
    std::vector<int> indexes;
    for (int i = 0; i <= 99; ++i)
        indexes.push_back(i);
    for (int i : {-1, -99, 100, 150, 1 << 30})
        indexes.push_back(i);

    int built = 0;
    for (int index : indexes) {
        SCOPED_TRACE(::testing::Message() << "index " << index);
        const bool inCatalogue = transitionName(index).has_value();
        EXPECT_EQ(transitionEntry(index) != nullptr, inCatalogue);
        if (inCatalogue) {
            ASSERT_NE(transitionEffect(index), nullptr) << "no effect for a catalogue index";
            EXPECT_EQ(transitionEntry(index)->index, index) << "the row of another index";
            ++built;
        }
        int counted = -1;
        EffectInputs counting;
        counting.width = width;
        counting.height = height;
        counting.stillFrames = 4;
        counting.frameCountOut = &counted;
        EXPECT_FALSE(runTransition(index, counting));
        EXPECT_GE(counted, 4);
        if (!inCatalogue) {
            EXPECT_EQ(counted, 4) << "an index outside the catalogue has no transition";
        }

        RecordingSink sink;
        velomira::Image canvas = makeCanvas(width, height, "#c08040");
        EffectInputs in;
        in.width = width;
        in.height = height;
        in.pictureCanvas = &canvas;
        in.stillFrames = 4;
        in.previousFrame = makeCanvas(width, height, "#204080");
        in.sink = &sink;
        velomira::Image finalFrame = runTransition(index, in);
        ASSERT_TRUE(finalFrame);
        EXPECT_EQ(sink.count(), counted);
        EXPECT_EQ(MagickGetImageWidth(finalFrame.get()), static_cast<size_t>(width));
        EXPECT_EQ(MagickGetImageHeight(finalFrame.get()), static_cast<size_t>(height));
    }
    EXPECT_EQ(built, 97);
}

} // namespace
} // namespace velomira::testing
