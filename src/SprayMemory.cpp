#include "SprayMemory.h"

#include "FillWatch.h"
#include "MemoryRoom.h"

#include <OgreRoot.h>

#include <algorithm>

namespace Tolvarine {

namespace {

// The room as last read, and what has been counted against it since.
struct Account {
    MemoryRoom::Limit room{MemoryRoom::Limit::Kind::MACHINE, 0};
    // The frame of the reading: a large death makes thousands of sprays in one frame, which
    // would otherwise read the system's files for each.
    const Ogre::Root* root = nullptr;
    unsigned long frame = 0;
    bool read = false;
    // What the systems made since the reading took (the reading does not hold it).
    double madeSinceReading = 0.0;
    // What the first drawing of every system not yet drawn will take.
    double promised = 0.0;
};

Account& account()
{
    static Account kept;
    return kept;
}

double madeKilobytes(std::size_t quota)
{
    return double(quota) * double(SprayMemory::MADE_BYTES) / 1024.0;
}

double drawnKilobytes(std::size_t quota)
{
    const long bytes = quota < SprayMemory::LARGE_QUOTA ? SprayMemory::DRAWN_BYTES : SprayMemory::DRAWN_BYTES_LARGE;
    return double(quota) * double(bytes) / 1024.0;
}

// Reads the room again when a frame has passed since the last reading, or there are no frames to
// tell by.
void readOncePerFrame(Account& kept)
{
    const Ogre::Root* root = Ogre::Root::getSingletonPtr();
    const unsigned long frame = root ? root->getNextFrameNumber() : 0;
    if (kept.read && root && root == kept.root && frame == kept.frame)
        return;
    kept.room = MemoryRoom::tightest();
    kept.root = root;
    kept.frame = frame;
    kept.read = true;
    kept.madeSinceReading = 0.0;
}

} // namespace

void SprayMemory::take(std::size_t quota, const std::string& what)
{
    Account& kept = account();
    readOncePerFrame(kept);
    MemoryRoom::Limit left = kept.room;
    left.kilobytes -= static_cast<long>(kept.madeSinceReading + kept.promised);
    const double need = kilobytes(quota);
    if (double(left.kilobytes) - need < double(FillWatch::RESERVE_KILOBYTES))
        throw FillWatch::Shortage(what + ", which takes about " + MemoryRoom::megabytes(need) + ", and "
                                  + left.describe() + ", of which the game keeps "
                                  + MemoryRoom::megabytes(double(FillWatch::RESERVE_KILOBYTES)) + " for itself");
    kept.madeSinceReading += madeKilobytes(quota);
    kept.promised += drawnKilobytes(quota);
}

void SprayMemory::settle(std::size_t quota)
{
    Account& kept = account();
    kept.promised = std::max(0.0, kept.promised - drawnKilobytes(quota));
}

double SprayMemory::kilobytes(std::size_t quota)
{
    return madeKilobytes(quota) + drawnKilobytes(quota);
}

} // namespace Tolvarine
