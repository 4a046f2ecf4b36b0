// The benchmarks' skinned model: a 50 x 50 quad grid (5,000 triangles) over a chain of 24 bones,
// each vertex weighted to two neighbouring bones.
#pragma once
#include <cstdio>
#include <string>

const int kColumns = 50, kRows = 50, kBones = 24;

// Writes the model: a grid in x-y, rows split among the bones of a chain of frames.
// Returns the file's size.
inline long WriteSkinnedModel(const char* path) {
    std::string s = "xof 0303txt 0032\n";
    std::string frames, closing;
    for (int b = 0; b < kBones; ++b) {
        frames += "Frame Bone" + std::to_string(b) + " { FrameTransformMatrix { 1,0,0,0,0,1,0,0,0,0,1,0,0," +
                  (b ? "-1" : "0") + ",0,1;; }\n";
        closing += "}\n";
    }
    const int verts = (kColumns + 1) * (kRows + 1);
    std::string mesh = "Mesh Body {\n" + std::to_string(verts) + ";\n";
    for (int r = 0; r <= kRows; ++r)
        for (int c = 0; c <= kColumns; ++c)
            mesh += std::to_string(c * 0.5f) + ";" + std::to_string(-r * 0.5f) + ";0;" +
                    (r == kRows && c == kColumns ? ";\n" : ",");
    mesh += std::to_string(kColumns * kRows * 2) + ";\n";
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kColumns; ++c) {
            const int a = r * (kColumns + 1) + c, b = a + 1, d = a + kColumns + 1, e = d + 1;
            // Clockwise as seen from -z, the side the normals face.
            mesh += "3;" + std::to_string(a) + "," + std::to_string(b) + "," + std::to_string(d) + ";,3;" +
                    std::to_string(b) + "," + std::to_string(e) + "," + std::to_string(d) + ";" +
                    (r == kRows - 1 && c == kColumns - 1 ? ";\n" : ",");
        }
    mesh += "MeshNormals { 1; 0;0;-1;; " + std::to_string(kColumns * kRows * 2) + ";";
    for (int f = 0; f < kColumns * kRows * 2; ++f) mesh += std::string("3;0,0,0;") + (f + 1 == kColumns * kRows * 2 ? ";" : ",");
    mesh += " }\nMeshTextureCoords { " + std::to_string(verts) + ";";
    for (int v = 0; v < verts; ++v) mesh += std::string("0;0;") + (v + 1 == verts ? ";" : ",");
    mesh += " }\n";
    // Each row belongs to bone row * bones / rows, shared half and half with the next bone.
    for (int b = 0; b < kBones; ++b) {
        std::string idx, w;
        int n = 0;
        for (int r = 0; r <= kRows; ++r) {
            const float pos = float(r) * (kBones - 1) / kRows;
            const int lo = int(pos);
            const float t = pos - float(lo);
            float weight = 0.0f;
            if (lo == b) weight = 1.0f - t;
            if (lo + 1 == b) weight = t;
            if (weight <= 0.0f) continue;
            for (int c = 0; c <= kColumns; ++c) {
                idx += (n ? "," : "") + std::to_string(r * (kColumns + 1) + c);
                w += (n ? "," : "") + std::to_string(weight);
                ++n;
            }
        }
        mesh += "SkinWeights { \"Bone" + std::to_string(b) + "\"; " + std::to_string(n) + "; " + idx + "; " + w +
                "; 1,0,0,0,0,1,0,0,0,0,1,0,0," + std::to_string(b) + ",0,1;; }\n";
    }
    mesh += "}\n";
    s += frames + mesh + closing;
    FILE* f = std::fopen(path, "wb");
    std::fwrite(s.data(), 1, s.size(), f);
    std::fclose(f);
    return long(s.size());
}

