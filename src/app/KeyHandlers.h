#pragma once
// What the confirm, back and arrow keys do in each state and menu screen.

void HandleEnterKey();
void HandleEscapeKey();
void HandleKeyLeft();
void HandleKeyRight();
void HandleKeyUp();
void HandleKeyDown();
