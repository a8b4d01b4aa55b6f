// ID3DXMatrixStack: a stack of matrices whose top accumulates transforms, for building
// hierarchies (push before a child's transforms, pop after).
#include <d3dx9math.h>

#include <new>

ID3DXMatrixStack::ID3DXMatrixStack() : refs_(1), entries_(1) { D3DXMatrixIdentity(&entries_.back()); }

ULONG ID3DXMatrixStack::AddRef() { return ++refs_; }

ULONG ID3DXMatrixStack::Release() {
  const ULONG remaining = --refs_;
  if (remaining == 0) delete this;
  return remaining;
}

HRESULT ID3DXMatrixStack::Pop() {
  if (entries_.size() > 1) entries_.pop_back();
  return S_OK;
}

HRESULT ID3DXMatrixStack::Push() {
  const D3DXMATRIX top = entries_.back();  // copied first: growing may move the entries
  try {
    entries_.push_back(top);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

HRESULT ID3DXMatrixStack::LoadIdentity() {
  D3DXMatrixIdentity(&entries_.back());
  return S_OK;
}

HRESULT ID3DXMatrixStack::LoadMatrix(const D3DXMATRIX* pM) {
  entries_.back() = *pM;
  return S_OK;
}

HRESULT ID3DXMatrixStack::MultMatrix(const D3DXMATRIX* pM) {
  D3DXMatrixMultiply(&entries_.back(), &entries_.back(), pM);
  return S_OK;
}

HRESULT ID3DXMatrixStack::MultMatrixLocal(const D3DXMATRIX* pM) {
  D3DXMatrixMultiply(&entries_.back(), pM, &entries_.back());
  return S_OK;
}

HRESULT ID3DXMatrixStack::RotateYawPitchRoll(FLOAT Yaw, FLOAT Pitch, FLOAT Roll) {
  D3DXMATRIX rotation;
  return MultMatrix(D3DXMatrixRotationYawPitchRoll(&rotation, Yaw, Pitch, Roll));
}

HRESULT ID3DXMatrixStack::RotateYawPitchRollLocal(FLOAT Yaw, FLOAT Pitch, FLOAT Roll) {
  D3DXMATRIX rotation;
  return MultMatrixLocal(D3DXMatrixRotationYawPitchRoll(&rotation, Yaw, Pitch, Roll));
}

HRESULT ID3DXMatrixStack::Scale(FLOAT x, FLOAT y, FLOAT z) {
  D3DXMATRIX scaling;
  return MultMatrix(D3DXMatrixScaling(&scaling, x, y, z));
}

HRESULT ID3DXMatrixStack::ScaleLocal(FLOAT x, FLOAT y, FLOAT z) {
  D3DXMATRIX scaling;
  return MultMatrixLocal(D3DXMatrixScaling(&scaling, x, y, z));
}

HRESULT ID3DXMatrixStack::Translate(FLOAT x, FLOAT y, FLOAT z) {
  D3DXMATRIX translation;
  return MultMatrix(D3DXMatrixTranslation(&translation, x, y, z));
}

HRESULT ID3DXMatrixStack::TranslateLocal(FLOAT x, FLOAT y, FLOAT z) {
  D3DXMATRIX translation;
  return MultMatrixLocal(D3DXMatrixTranslation(&translation, x, y, z));
}

D3DXMATRIX* ID3DXMatrixStack::GetTop() { return &entries_.back(); }

HRESULT WINAPI D3DXCreateMatrixStack(DWORD /*flags: unused, as in D3DX*/, ID3DXMatrixStack** stack) {
  if (stack == nullptr) return E_INVALIDARG;
  *stack = nullptr;
  try {
    *stack = new ID3DXMatrixStack();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return S_OK;
}
