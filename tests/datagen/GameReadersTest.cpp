// The writers' files read back by the game's own model readers.

#include "DatagenTestKit.h"

#include "backend/gpu/XFileReader.h"
#include "datagen/TrackModelSizes.h"

#include <gtest/gtest.h>

#include <string_view>

TEST(GameXFileReader, ReadsTheFinishPole)
{
    backend::XMeshData mesh;
    std::string error;
    ASSERT_TRUE(backend::ReadXFileFromPath("Graphics\\Models\\FinishPole.x", mesh, error)) << error;
    EXPECT_EQ(mesh.materials.size(), 1u);
    EXPECT_EQ(mesh.materials[0].textureFile, "FinishPole.dds");
    ASSERT_EQ(mesh.attributeTable.size(), 1u);
    EXPECT_EQ(mesh.attributeTable[0].faceCount * 3, mesh.indices.size());
}

TEST(GameModelReaders, TrackModelsAreCentredAtTheirListedSizesWithOutwardFronts)
{
    for (const datagen::TrackModelSize& model : datagen::TRACK_MODEL_SIZES) {
        SCOPED_TRACE(model.path);
        std::vector<datagen::Float3> positions;
        std::vector<uint16_t> indices;
        const bool isX = std::string_view(model.path).ends_with(".x");
        if (isX) {
            backend::XMeshData mesh;
            std::string error;
            ASSERT_TRUE(backend::ReadXFileFromPath(model.path, mesh, error)) << error;
            ASSERT_FALSE(mesh.attributeTable.empty()); // at least one material, or nothing is drawn
            for (const backend::XMeshVertex& v : mesh.vertices)
                positions.push_back({v.x, v.y, v.z});
            indices = mesh.indices;
        } else {
            const std::vector<QvxFrame> frames = datagen_test::GameReadQvxFile(model.path);
            ASSERT_EQ(frames.size(), 1u);
            ASSERT_EQ(frames[0].meshes.size(), 1u);
            positions = datagen_test::Positions(frames[0].meshes[0]);
            indices = frames[0].meshes[0].indices;
        }
        ASSERT_FALSE(indices.empty());
        datagen_test::ExpectCentredBox(positions, model.size, 1e-3f);
        // Fronts clockwise from outside for .x, counter-clockwise for .qvx: the
        // volume summed in file order has the sign of the format.
        const double volume = datagen_test::SignedVolume(positions, indices);
        EXPECT_GT(isX ? volume : -volume, 0.0);
    }
}
