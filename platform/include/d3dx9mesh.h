// D3DX meshes: the text form of the DirectX .X format, drawn by material subset.
#ifndef VORNEX_PLATFORM_D3DX9MESH_H
#define VORNEX_PLATFORM_D3DX9MESH_H

#include "d3d9.h"
#include "d3dx9buffer.h"
#include "d3dx9tex.h"

enum _D3DXMESH {
  D3DXMESH_32BIT = 0x001,
  D3DXMESH_SYSTEMMEM = 0x110,
  D3DXMESH_MANAGED = 0x220,
};

typedef struct _D3DXMATERIAL {
  D3DMATERIAL9 MatD3D;
  char* pTextureFilename;
} D3DXMATERIAL, *LPD3DXMATERIAL;

struct D3dxMeshState;  // the mesh's device side (platform/d3dx9)

struct ID3DXMesh {
  // Draws the faces whose attribute (material id) is AttribId; none for an id no face has.
  HRESULT DrawSubset(DWORD AttribId);
  DWORD GetNumFaces();
  DWORD GetNumVertices();
  DWORD GetFVF();
  ULONG AddRef() { return ++refCount; }
  ULONG Release();

  D3dxMeshState* state;

 private:
  friend struct D3dxMeshState;
  ID3DXMesh() : state(nullptr) {}
  ~ID3DXMesh();
  ULONG refCount = 1;
};
typedef ID3DXMesh* LPD3DXMESH;

// Adjacency and effect instances are not produced: pass null for them. The materials
// come back as an array of D3DXMATERIAL whose texture names live in the same buffer.
HRESULT WINAPI D3DXLoadMeshFromXA(const char* filename, DWORD flags, IDirect3DDevice9* device,
                                  ID3DXBuffer** adjacency, ID3DXBuffer** materials,
                                  ID3DXBuffer** effect_instances, DWORD* material_count, ID3DXMesh** mesh);

#endif  // VORNEX_PLATFORM_D3DX9MESH_H
