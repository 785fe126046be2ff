#pragma once
// The three functions the main loop calls each turn, in this order.

void RenderFrame();
void ProcessInput();
void UpdateFrame();
