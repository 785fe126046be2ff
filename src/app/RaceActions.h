#pragma once
// The single-player race's way in and out of the front end: starting it from
// the menu, pausing and resuming, restarting, and ending or leaving it.

// "Race!": the menu and its music go, "Loading Track..." shows, the race is
// made for g_CurrentTrackId and its music plays; state 13. A race that
// cannot be made ends the program (GAMESTATE_QUIT) with its message.
void StartSinglePlayerRace();
// Escape in the race: sounds paused, the pause menu on "Continue".
void PauseSinglePlayerRace();
// "Continue" or Escape in the pause menu: the time away counts as no race time.
void ResumeSinglePlayerRace();
// "Restart" in the pause menu: the race from its count-down again.
void RestartSinglePlayerRace();
// Sounds stopped, the music released, the race freed, then the menu and its
// music back. False when the menu could not be made (the state is then
// GAMESTATE_QUIT).
bool CloseSinglePlayerRace();
// Release, Destroy and delete; g_SinglePlayerRace is null afterwards.
void FreeSinglePlayerRace();
