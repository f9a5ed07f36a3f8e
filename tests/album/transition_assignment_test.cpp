#include "album/album_model.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace velomira {
namespace {

constexpr int kSeeds = 300;

std::string pathFor(int n) {
    return "/pictures/p" + std::to_string(n) + ".jpg";
}

int add(AlbumProject& project, int position, TransitionRandom& random) {
    return insertAlbumItem(project, pathFor(albumItemCount(project)), position, false, random);
}

void expectNameMatchesIndex(const AlbumItem& item) {
    EXPECT_EQ(item.animationName, transitionNameOrNone(item.animationIndex));
}

// Every rule-made album starts without a transition and never repeats a random transition
// between neighbours.
void expectWellFormed(const AlbumProject& project) {
    ASSERT_FALSE(project.items.empty());
    EXPECT_EQ(project.items[0].animationIndex, NO_TRANSITION);
    for (std::size_t i = 1; i < project.items.size(); ++i) {
        const int index = project.items[i].animationIndex;
        EXPECT_GE(index, 0) << i;
        EXPECT_LE(index, kLastRandomTransition) << i;
        EXPECT_NE(index, project.items[i - 1].animationIndex) << i;
    }
    for (const AlbumItem& item : project.items) {
        expectNameMatchesIndex(item);
    }
}

TEST(TransitionAssignment, FirstPictureHasNoTransition) {
    AlbumProject project;
    TransitionRandom random(1);
    ASSERT_EQ(add(project, -1, random), 0);
    EXPECT_EQ(project.items[0].animationIndex, NO_TRANSITION);
    EXPECT_EQ(project.items[0].animationName, "无动画");
    AlbumProject other;
    ASSERT_EQ(add(other, 0, random), 0) << "inserting into an empty album";
    EXPECT_EQ(other.items[0].animationIndex, NO_TRANSITION);
}

TEST(TransitionAssignment, AppendingNeverRepeatsTheLastTransition) {
    for (std::uint32_t seed = 0; seed < kSeeds; ++seed) {
        AlbumProject project;
        TransitionRandom random(seed);
        for (int i = 0; i < 40; ++i) {
            add(project, -1, random);
        }
        expectWellFormed(project);
    }
}

TEST(TransitionAssignment, InsertingBetweenAvoidsBothNeighbours) {
    std::set<int> drawn;
    for (std::uint32_t seed = 0; seed < kSeeds; ++seed) {
        AlbumProject project;
        TransitionRandom random(seed);
        for (int i = 0; i < 3; ++i) {
            add(project, -1, random);
        }
        setAlbumItemTransition(project, 1, 5);
        setAlbumItemTransition(project, 2, 6);
        ASSERT_EQ(add(project, 2, random), 2);
        const int index = project.items[2].animationIndex;
        EXPECT_NE(index, 5);
        EXPECT_NE(index, 6);
        EXPECT_GE(index, 0);
        EXPECT_LE(index, kLastRandomTransition);
        expectNameMatchesIndex(project.items[2]);
        EXPECT_EQ(project.items[1].animationIndex, 5);
        EXPECT_EQ(project.items[3].animationIndex, 6) << "the following picture keeps its own";
        drawn.insert(index);
    }
    EXPECT_GT(drawn.size(), 60u) << "draws must spread over the whole range";
}

TEST(TransitionAssignment, InsertingAtZeroIntoOnePictureAlbum) {
    std::set<int> drawn;
    for (std::uint32_t seed = 0; seed < kSeeds; ++seed) {
        AlbumProject project;
        TransitionRandom random(seed);
        insertAlbumItem(project, "/a/old.jpg", -1, false, random);
        ASSERT_EQ(insertAlbumItem(project, "/a/new.jpg", 0, false, random), 0);
        ASSERT_EQ(project.items.size(), 2u);
        EXPECT_EQ(project.items[0].path, "/a/new.jpg");
        EXPECT_EQ(project.items[0].animationIndex, NO_TRANSITION);
        EXPECT_EQ(project.items[1].path, "/a/old.jpg");
        const int index = project.items[1].animationIndex;
        EXPECT_GE(index, 0);
        EXPECT_LE(index, kLastRandomTransition);
        expectNameMatchesIndex(project.items[1]);
        drawn.insert(index);
    }
    EXPECT_GT(drawn.size(), 60u);
}

TEST(TransitionAssignment, InsertingAtZeroGivesAFormerFirstWithoutTransitionANewOne) {
    for (std::uint32_t seed = 0; seed < kSeeds; ++seed) {
        AlbumProject project;
        TransitionRandom random(seed);
        for (int i = 0; i < 3; ++i) {
            add(project, -1, random);
        }
        setAlbumItemTransition(project, 1, 40);
        setAlbumItemTransition(project, 2, 41);
        add(project, 0, random);
        EXPECT_EQ(project.items[0].animationIndex, NO_TRANSITION);
        EXPECT_NE(project.items[1].animationIndex, NO_TRANSITION);
        EXPECT_NE(project.items[1].animationIndex, 40);
        EXPECT_EQ(project.items[2].animationIndex, 40);
        expectWellFormed(project);
    }
}

TEST(TransitionAssignment, InsertingAtZeroLeavesAFormerFirstWithTransitionAlone) {
    AlbumProject project;
    TransitionRandom random(7);
    for (int i = 0; i < 3; ++i) {
        add(project, -1, random);
    }
    setAlbumItemTransition(project, 0, 12);
    const int second = project.items[1].animationIndex;
    add(project, 0, random);
    EXPECT_EQ(project.items[0].animationIndex, NO_TRANSITION);
    EXPECT_EQ(project.items[1].animationIndex, 12);
    EXPECT_EQ(project.items[1].animationName, "从右下角展开");
    EXPECT_EQ(project.items[2].animationIndex, second);
}

TEST(TransitionAssignment, KeepWithoutTransitionTouchesNoOtherPicture) {
    AlbumProject project;
    TransitionRandom random(3);
    add(project, -1, random);
    ASSERT_EQ(insertAlbumItem(project, "/x/kept.png", -1, true, random), 1);
    EXPECT_EQ(project.items[1].animationIndex, NO_TRANSITION);
    ASSERT_EQ(insertAlbumItem(project, "/x/front.png", 0, true, random), 0);
    EXPECT_EQ(project.items[0].animationIndex, NO_TRANSITION);
    EXPECT_EQ(project.items[1].animationIndex, NO_TRANSITION);
}

TEST(TransitionAssignment, MixedInsertionsKeepTheAlbumWellFormed) {
    for (std::uint32_t seed = 0; seed < kSeeds; ++seed) {
        AlbumProject project;
        TransitionRandom random(seed);
        TransitionRandom positions(seed + 100000);
        for (int i = 0; i < 30; ++i) {
            const int count = albumItemCount(project);
            const int position = positions.draw(-1, count); // count itself appends too
            add(project, position, random);
        }
        ASSERT_EQ(albumItemCount(project), 30);
        expectWellFormed(project);
    }
}

TEST(TransitionAssignment, SameSeedSameAlbum) {
    auto build = [](std::uint32_t seed) {
        AlbumProject project;
        TransitionRandom random(seed);
        for (int i = 0; i < 20; ++i) {
            insertAlbumItem(project, pathFor(i), i % 3 == 0 ? 0 : -1, false, random);
        }
        std::vector<int> indexes;
        for (const AlbumItem& item : project.items) {
            indexes.push_back(item.animationIndex);
        }
        return indexes;
    };
    EXPECT_EQ(build(42), build(42));
    EXPECT_NE(build(42), build(43));
}

TEST(TransitionRandom, DrawsByRemainder) {
    TransitionRandom random(9);
    std::mt19937 reference(9);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(random.draw(3, 10), 3 + static_cast<int>(reference() % 8));
    }
    EXPECT_EQ(random.draw(5, 5), 5);
    EXPECT_EQ(random.draw(5, 4), 5);
    const int wide = random.draw(-2147483647 - 1, 2147483647);
    (void)wide; // any value is fine; the span must not overflow
}

} // namespace
} // namespace velomira
