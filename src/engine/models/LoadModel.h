#pragma once
// Makes a model from a file, picking the class by the file's extension
// ("qvx", "x" or "md2", case-sensitive).

class Model;

// The caller owns the result; null when the extension is unknown (reported),
// missing (silent) or when the model or its animation fails to load (reported
// by the loader). A null or empty animationPath means no animation; .x models
// ignore it.
Model* LoadModel(const char* path, const char* animationPath);
