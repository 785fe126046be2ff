#pragma once
// The network game's way in and out of the front end: the network brought up
// and down from the multiplayer menu, hosting and joining a race, the race's
// per-turn traffic, its end in the results list, and leaving it.

#include "app/MenuScreen.h"

// Enter on the name entry: the network peer with the message handler. False
// (the peer shut down again) when it could not be made.
bool InitNetwork();
// "Back" (or Escape) on the Multiplayer screen.
void ShutdownNetwork();
// Enter on a track of the Host a Game screen: state 14, a message screen, or
// GAMESTATE_QUIT when the race could not be made after the menu went.
void HostNetworkGame(int trackId);
// Enter on the address entry: state 14, a message screen, or GAMESTATE_QUIT.
void JoinNetworkGame();
// Leaves the session, frees the race, makes the menu again and shows `screen`
// on the Multiplayer menu: Escape in the race (MULTIPLAYER) or a failed
// network call (CONNECTION_LOST). The caller does not hold g_RaceLock.
void ExitNetworkRace(MenuScreen screen);
// Enter or Escape on the results: the session left, back to the Multiplayer screen.
void CloseNetworkResults();

// State 14 of ProcessInput: the start, the race's keys and the control message.
void ProcessNetworkRaceInput();
// State 14 of UpdateFrame: the race step, the state and time messages, and
// the end of the race. False when the turn must end at once.
bool UpdateNetworkRace();
// State 6 of UpdateFrame: the race clock and the host's time sync. False when
// the turn must end at once.
bool UpdateNetworkResults();
// The race with its display and, for a host that may start, the hint.
void DrawNetworkRace();
// "Multiplayer Results" with a row per player, the local one green.
void DrawNetworkResults();
