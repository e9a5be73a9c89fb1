#pragma once

// The sprite library: surfaces, their animation thread, engines, sprites, movers and
// factories.
#include "sprites/AnimateThread.h"
#include "sprites/Sprite.h"
#include "sprites/SpriteEngine.h"
#include "sprites/SpriteEvents.h"
#include "sprites/SpriteFactory.h"
#include "sprites/SpriteSurface.h"
