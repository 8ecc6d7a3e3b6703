// GLUT callbacks of the scene window other than drawing: reshape, mouse, keys and idle.
#pragma once

void reshapeWindow(int width, int height);
void mousePress(int button, int state, int x, int y);
void mouseDrag(int x, int y);
void keyPress(unsigned char key, int x, int y);
void idleTick();
