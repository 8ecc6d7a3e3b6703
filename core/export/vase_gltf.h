// The vase as drawn, written as a binary glTF 2.0 file (.glb) that other viewers open. No GL.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "core/export/atomic_file.h"
#include "core/export/numbered_file.h"
#include "core/vase_mesh.h"

// Triangles the export holds for `s`: two per band quad and step ring; 0 means nothing to export.
std::size_t vaseGlbTriangleCount(const VaseSettings& s);

// The vase as one glTF mesh, from buildVaseMesh's quads (4 vertices each):
// - positions scaled by 0.7, so the vase stands on y = 0 about the y axis in scene units;
// - the builder's normals scaled to unit length, its texture coordinates as the viewer samples
//   them: u negated (the drawing mirrors s with the texture matrix), v unchanged;
// - quad k (a b c d) becomes triangles 2k = (a b c) and 2k + 1 = (a c d), winding kept; a
//   vertex that repeats the previous quad's exactly (a ring's inner edge) is shared.
// `texturePng` is a whole PNG file whose first row is the texture row OpenGL holds at t = 0:
// the image file's first row as uploaded, which is also the first row glGetTexImage returns
// (do not flip it). It is embedded with a repeating, linear sampler. Empty: a plain material.
// Fails before writing a byte when there are no quads, `texturePng` is not a PNG, or the
// file would pass 4 GiB.
// Builds the vase for `s` with buildVaseMesh and writes it to `path` through a temporary file
// (writeFileAtomically). With no quads (V or R is 0) it writes nothing and says so.
WriteResult writeVaseGlbFile(const std::string& path, const VaseSettings& s,
                             const std::vector<unsigned char>& texturePng);

// The same, to the first free "stem-NNN.glb" (writeNumberedFile); a failed write names the
// operating system's reason ("No space left on device", "File too large", ...).
NumberedWriteResult writeNumberedVaseGlb(const std::string& stem, const VaseSettings& s,
                                         const std::vector<unsigned char>& texturePng);
