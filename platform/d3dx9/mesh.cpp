// D3DXLoadMeshFromXA and ID3DXMesh. The parsed triangles are sorted by material id, so
// each subset is one contiguous run of indices drawn with one call. The vertices and the
// indices live in two device buffers, so a mesh whose device goes away is left harmless.
#include <d3dx9.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <numeric>
#include <string>
#include <sys/stat.h>

#include "../d3d9/d3d9_internal.h"
#include "../win32/win32_internal.h"
#include "xfile_parser.h"

namespace {

const DWORD kMeshFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;
const UINT kMeshStride = 32;
static_assert(sizeof(XVertex) == kMeshStride, "mesh vertices are position, normal, texture pair");

const HRESULT kFileNotFound = static_cast<HRESULT>(0x80070002);

struct Subset {
  DWORD attribute;
  UINT firstIndex;
  UINT indexCount;
};

IDirect3DVertexBuffer9* upload(IDirect3DDevice9* device, const void* bytes, size_t size, DWORD fvf,
                               GLenum target) {
  if (size == 0 || size > UINT_MAX || !device->state || !device->state->context) return nullptr;
  IDirect3DVertexBuffer9* buffer = D3d9BufferState::create(device->state, static_cast<UINT>(size), fvf, target);
  if (!buffer) return nullptr;
  void* data = nullptr;
  if (FAILED(buffer->Lock(0, 0, &data, 0))) {
    buffer->Release();
    return nullptr;
  }
  std::memcpy(data, bytes, size);
  buffer->Unlock();
  return buffer;
}

// The materials as D3DXMATERIAL records followed by their texture names.
ID3DXBuffer* material_buffer(const std::vector<XMaterial>& materials) {
  size_t names = 0;
  for (const XMaterial& m : materials)
    if (!m.textureFile.empty()) names += m.textureFile.size() + 1;
  size_t records = materials.size() * sizeof(D3DXMATERIAL);
  ID3DXBuffer* buffer = ID3DXBuffer::create(static_cast<DWORD>(records + names));
  if (!buffer || records == 0) return buffer;
  auto* out = static_cast<D3DXMATERIAL*>(buffer->GetBufferPointer());
  char* text = reinterpret_cast<char*>(out) + records;
  auto color = [](const XColor& c) { return D3DCOLORVALUE{c.r, c.g, c.b, c.a}; };
  for (size_t i = 0; i < materials.size(); ++i) {
    const XMaterial& m = materials[i];
    out[i].MatD3D.Diffuse = color(m.diffuse);
    out[i].MatD3D.Ambient = color(m.diffuse);
    out[i].MatD3D.Specular = color(m.specular);
    out[i].MatD3D.Emissive = color(m.emissive);
    out[i].MatD3D.Power = m.power;
    out[i].pTextureFilename = nullptr;
    if (!m.textureFile.empty()) {
      std::memcpy(text, m.textureFile.c_str(), m.textureFile.size() + 1);
      out[i].pTextureFilename = text;
      text += m.textureFile.size() + 1;
    }
  }
  return buffer;
}

}  // namespace

struct D3dxMeshState {
  IDirect3DDevice9* device = nullptr;
  IDirect3DVertexBuffer9* vertices = nullptr;
  IDirect3DVertexBuffer9* indices = nullptr;  // 32-bit indices, bound as the element array
  DWORD vertexCount = 0;
  DWORD faceCount = 0;
  std::vector<Subset> subsets;

  static ID3DXMesh* create(IDirect3DDevice9* device, const XMeshData& data);
};

ID3DXMesh* D3dxMeshState::create(IDirect3DDevice9* device, const XMeshData& data) {
  // Triangles in material order, stable so each subset keeps the file's face order.
  const size_t triangles = data.faceAttributes.size();
  std::vector<size_t> order(triangles);
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return data.faceAttributes[a] < data.faceAttributes[b]; });
  std::vector<std::uint32_t> sorted;
  sorted.reserve(triangles * 3);
  auto* state = new D3dxMeshState;
  for (size_t t : order) {
    DWORD attribute = data.faceAttributes[t];
    if (state->subsets.empty() || state->subsets.back().attribute != attribute)
      state->subsets.push_back(Subset{attribute, static_cast<UINT>(sorted.size()), 0});
    for (int k = 0; k < 3; ++k) sorted.push_back(data.indices[t * 3 + k]);
    state->subsets.back().indexCount += 3;
  }
  state->device = device;
  state->vertexCount = static_cast<DWORD>(data.vertices.size());
  state->faceCount = static_cast<DWORD>(triangles);
  state->vertices =
      upload(device, data.vertices.data(), data.vertices.size() * sizeof(XVertex), kMeshFvf, GL_ARRAY_BUFFER);
  state->indices =
      upload(device, sorted.data(), sorted.size() * sizeof(std::uint32_t), 0, GL_ELEMENT_ARRAY_BUFFER);
  if ((!data.vertices.empty() && !state->vertices) || (!sorted.empty() && !state->indices)) {
    if (state->vertices) state->vertices->Release();
    if (state->indices) state->indices->Release();
    delete state;
    return nullptr;
  }
  device->AddRef();
  auto* mesh = new ID3DXMesh;
  mesh->state = state;
  return mesh;
}

ID3DXMesh::~ID3DXMesh() {
  if (state->vertices) state->vertices->Release();
  if (state->indices) state->indices->Release();
  if (state->device) state->device->Release();
  delete state;
}

ULONG ID3DXMesh::Release() {
  ULONG left = --refCount;
  if (left == 0) delete this;
  return left;
}

DWORD ID3DXMesh::GetNumFaces() { return state->faceCount; }
DWORD ID3DXMesh::GetNumVertices() { return state->vertexCount; }
DWORD ID3DXMesh::GetFVF() { return kMeshFvf; }

HRESULT ID3DXMesh::DrawSubset(DWORD AttribId) {
  auto subset = std::find_if(state->subsets.begin(), state->subsets.end(),
                             [&](const Subset& s) { return s.attribute == AttribId; });
  if (subset == state->subsets.end()) return D3D_OK;
  D3d9DeviceState* device = state->device->state;
  D3d9BufferState* vertices = state->vertices->state;
  D3d9BufferState* indices = state->indices->state;
  if (!vertices->name || !indices->name) return D3DERR_INVALIDCALL;
  if (!device->prepare_draw(vertices->name, kMeshFvf, 0, kMeshStride)) return D3DERR_INVALIDCALL;
  DWORD saved_fvf = device->fvf;
  device->fvf = kMeshFvf;
  device->record(D3DPT_TRIANGLELIST, subset->firstIndex, subset->indexCount / 3, static_cast<int>(AttribId));
  device->fvf = saved_fvf;
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indices->name);
  glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(subset->indexCount), GL_UNSIGNED_INT,
                 reinterpret_cast<const void*>(static_cast<uintptr_t>(subset->firstIndex) * 4));
  return D3D_OK;
}

HRESULT WINAPI D3DXLoadMeshFromXA(const char* filename, DWORD, IDirect3DDevice9* device, ID3DXBuffer** adjacency,
                                  ID3DXBuffer** materials, ID3DXBuffer** effect_instances, DWORD* material_count,
                                  ID3DXMesh** mesh) {
  if (!filename || !device || !mesh) return D3DERR_INVALIDCALL;
  *mesh = nullptr;
  if (adjacency) *adjacency = nullptr;
  if (effect_instances) *effect_instances = nullptr;
  if (materials) *materials = nullptr;
  if (material_count) *material_count = 0;

  std::string path = win32::native_path(filename);
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return kFileNotFound;
  XMeshData data;
  std::string error;
  if (!load_x_file(path.c_str(), &data, &error)) {
    std::fprintf(stderr, "VORNEX: mesh %s\n", error.c_str());
    return D3DXERR_INVALIDDATA;
  }
  if (data.faceAttributes.empty()) {
    std::fprintf(stderr, "VORNEX: mesh \"%s\" has no faces\n", filename);
    return D3DXERR_INVALIDMESH;
  }
  ID3DXBuffer* material_data = nullptr;
  if (materials) {
    material_data = material_buffer(data.materials);
    if (!material_data) return E_OUTOFMEMORY;
  }
  *mesh = D3dxMeshState::create(device, data);
  if (!*mesh) {
    if (material_data) material_data->Release();
    return D3DERR_OUTOFVIDEOMEMORY;
  }
  if (materials) *materials = material_data;
  if (material_count) *material_count = static_cast<DWORD>(data.materials.size());
  return D3D_OK;
}
