// A script's reference to a game object that the game deletes. The allocator readily puts a new
// object where a deleted one was (a ship type read again rebuilds its pool in the freed memory):
// a reference to the old object must not take the new one for it.
#include "FatalError.h"
#include "LogCapture.h"
#include "ScriptObjectRegistry.h"
#include "ScriptReference.h"

#include <gtest/gtest.h>

#include <optional>

namespace Tolvarine::Test {
namespace {

struct Kept {
    Kept() { ScriptObjectRegistry::enter(this); }
    ~Kept() { ScriptObjectRegistry::leave(this); }
};

TEST(ScriptReference, AnObjectGoneIsRefusedEvenWhenANewOneTakesItsAddress)
{
    // One place, used by one object after the other.
    std::optional<Kept> place;
    Kept* first = &place.emplace();
    const ScriptReference<Kept> kept(first);
    EXPECT_EQ(kept.get(), first);
    place.reset();
    Kept* second = &place.emplace();
    ASSERT_EQ(second, first);
    EXPECT_TRUE(logged(failsWith<FatalError>([&] { kept.get(); }),
                       "game object: the game object this script held is gone (its types were read again)"));
    EXPECT_EQ(ScriptReference<Kept>(second).get(), second);
    place.reset();
    EXPECT_EQ(ScriptReference<Kept>().get(), nullptr);
}

TEST(ScriptReference, AReferenceIsGoodForTheLifeItWasMadeIn)
{
    std::optional<Kept> place;
    Kept* object = &place.emplace();
    const ScriptReference<Kept> earlier(object);
    ScriptObjectRegistry::beginLife(object);
    const ScriptReference<Kept> later(object);
    EXPECT_EQ(later.get(), object);
    EXPECT_TRUE(logged(failsWith<FatalError>([&] { earlier.get(); }),
                       "game object: the game object this script held is gone (its pool handed it to another user)"));
    // Deleted after it was handed on, with a new object in its place: both references name the deletion.
    place.reset();
    ASSERT_EQ(&place.emplace(), object);
    for (const ScriptReference<Kept>* reference : {&earlier, &later}) {
        EXPECT_TRUE(logged(failsWith<FatalError>([&] { reference->get(); }),
                           "game object: the game object this script held is gone (its types were read again)"));
    }
}

} // namespace
} // namespace Tolvarine::Test
