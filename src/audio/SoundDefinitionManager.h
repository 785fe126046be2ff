#pragma once
// The registry of named sound effects. Each definition keeps a pool of
// instances that were handed back, so an effect played again and again reuses a
// loaded sound, while several copies of it can sound at once.

#include "audio/SoundDefinition.h"

#include <memory>
#include <vector>

class SoundDefinitionManager {
public:
    SoundDefinitionManager();
    // Frees the definitions only; their instances belong to the audio manager.
    ~SoundDefinitionManager();

    virtual bool AddDefinition(const char* name, const SoundLoadParams* params);
    // A loaded instance ready to play, or null: the sound is left out, and
    // its failure is told but not kept for the box at shut-down.
    virtual Sound* CreateInstance(const char* name);
    virtual void ReleaseInstance(const char* name, Sound* instance);
    virtual void DestroyInstances(const char* name);
    virtual void RemoveDefinition(const char* name);
    virtual bool Add3DDefinition(const char* name, const SoundLoadParams* params);
    virtual Sound3D* Create3DInstance(const char* name);
    virtual void Release3DInstance(const char* name, Sound3D* instance);
    virtual void Destroy3DInstances(const char* name);
    virtual void Remove3DDefinition(const char* name);
    virtual void DestroyAllInstances();
    virtual void DestroyAllDefinitions();

    // The same, for callers that pass the address of their pointer.
    void Release3DInstance(const char* name, Sound3D** instance);

    SoundDefinition* FindDefinition(const char* name);
    Sound3DDefinition* Find3DDefinition(const char* name);

    std::vector<std::unique_ptr<SoundDefinition>> definitions;
    std::vector<std::unique_ptr<Sound3DDefinition>> definitions3D;
};

// The process-wide registry, made on first use.
SoundDefinitionManager* GetSoundDefinitionManager();
