// SPDX-License-Identifier: MIT
#pragma once

// The screen saver's mouse rule: the first move is ignored, however it comes,
// because mapping a full-screen window under the pointer can report one without
// the user touching anything; any later move ends the saver. With a view on
// every monitor the views share one count, so a move on any monitor counts and
// mapping several windows still cannot end the saver by itself.
class MoveCount
{
public:
    // Counts one move; true when it is one that ends the saver.
    bool moveEnds()
    {
        if (mouseMoved)
            return true;
        mouseMoved = true;
        return false;
    }

private:
    bool mouseMoved = false;
};
