// SPDX-License-Identifier: MIT
// The part of the KeyBord COM object that a container sees: embedding,
// in-place activation, drawing, persistence and the event source.
//
// The component's widgets are real windows from the moment the object is
// created: outside a container its surface is a hidden message-only window,
// so a host that never embeds the control still drives it through _KeyBord.
// When a container activates the control in place, the surface moves into
// the container's window; when it deactivates it, the surface is made
// message-only again. The component's size is its own: whatever rectangle
// the container offers, the surface keeps the size that its panels need,
// placed at the rectangle's top-left corner.
//
// This class holds no reference count and answers no QueryInterface of its
// own: the object that derives from it has the one IUnknown of the whole
// object, and every interface here forwards to it.
//
// Its members are defined by subject: the windows, their appearance and the
// drawing in Embedding.cpp; the verbs, extents and activation in place in
// InPlace.cpp; the site, its ambients, the keys taken before the container's
// accelerators and IOleControl in ControlSite.cpp; persistence in
// SavedProperties.cpp; the connection points in ConnectionPoints.cpp; the
// dirty state and change notifications in PropertyChanges.cpp. A member
// that reaches the component or the toolkit, or allocates, runs its work
// through vexo::Guard; the others only copy values and call the system.
#pragma once

#include "hosting/Com.h"

#include <array>
#include <bitset>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "component/KeyBord.h"
#include "component/PropertyTable.h"
#include "widgets/win32/Win32Toolkit.h"

namespace vexo::hosting {

class EventPoint;
class RecordBag;

class Embedding : public IOleObject,
                  public IOleInPlaceObject,
                  public IOleInPlaceActiveObject,
                  public IOleControl,
                  public IViewObjectEx,
                  public IPersistPropertyBag,
                  public IPersistStreamInit,
                  public IPersistStorage,
                  public IQuickActivate,
                  public IConnectionPointContainer {
 public:
  Embedding(const Embedding&) = delete;
  Embedding& operator=(const Embedding&) = delete;

  // --- IOleObject
  HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override;
  HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) override;
  HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR application, LPCOLESTR document) override;
  HRESULT STDMETHODCALLTYPE Close(DWORD saveOption) override;
  HRESULT STDMETHODCALLTYPE SetMoniker(DWORD which, IMoniker* moniker) override;
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
  HRESULT STDMETHODCALLTYPE InitFromData(IDataObject* data, BOOL creation, DWORD reserved) override;
  HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD reserved, IDataObject** data) override;
  HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG message, IOleClientSite* activeSite, LONG index,
                                   HWND parent, LPCRECT position) override;
  HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB** verbs) override;
  HRESULT STDMETHODCALLTYPE Update() override;
  HRESULT STDMETHODCALLTYPE IsUpToDate() override;
  HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* clsid) override;
  HRESULT STDMETHODCALLTYPE GetUserType(DWORD form, LPOLESTR* name) override;
  HRESULT STDMETHODCALLTYPE SetExtent(DWORD aspect, SIZEL* size) override;
  HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, SIZEL* size) override;
  HRESULT STDMETHODCALLTYPE Advise(IAdviseSink* sink, DWORD* connection) override;
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD connection) override;
  HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA** advises) override;
  HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD aspect, DWORD* status) override;
  HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE* palette) override;

  // --- IOleWindow, of IOleInPlaceObject and IOleInPlaceActiveObject alike
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL enter) override;

  // --- IOleInPlaceObject
  HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override;
  HRESULT STDMETHODCALLTYPE UIDeactivate() override;
  HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT position, LPCRECT clip) override;
  HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override;

  // --- IOleInPlaceActiveObject
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG message) override;
  HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL activate) override;
  HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL activate) override;
  HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window, BOOL frame) override;
  HRESULT STDMETHODCALLTYPE EnableModeless(BOOL enable) override;

  // --- IOleControl
  HRESULT STDMETHODCALLTYPE GetControlInfo(CONTROLINFO* info) override;
  HRESULT STDMETHODCALLTYPE OnMnemonic(MSG* message) override;
  HRESULT STDMETHODCALLTYPE OnAmbientPropertyChange(DISPID member) override;
  HRESULT STDMETHODCALLTYPE FreezeEvents(BOOL freeze) override;

  // --- IViewObject2, of IViewObjectEx
  HRESULT STDMETHODCALLTYPE Draw(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* device,
                                 HDC targetDevice, HDC dc, LPCRECTL bounds, LPCRECTL metafileBounds,
                                 BOOL(STDMETHODCALLTYPE* keepGoing)(ULONG_PTR), ULONG_PTR argument) override;
  HRESULT STDMETHODCALLTYPE GetColorSet(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* device,
                                        HDC targetDevice, LOGPALETTE** colours) override;
  HRESULT STDMETHODCALLTYPE Freeze(DWORD aspect, LONG index, void* aspectInfo, DWORD* freeze) override;
  HRESULT STDMETHODCALLTYPE Unfreeze(DWORD freeze) override;
  HRESULT STDMETHODCALLTYPE SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override;
  HRESULT STDMETHODCALLTYPE GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override;
  HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, LONG index, DVTARGETDEVICE* device, LPSIZEL size) override;

  // --- IViewObjectEx (QuickActivation.cpp): an opaque rectangle of the
  // control's own size, every point of which hits it.
  HRESULT STDMETHODCALLTYPE GetRect(DWORD aspect, LPRECTL rect) override;
  HRESULT STDMETHODCALLTYPE GetViewStatus(DWORD* status) override;
  HRESULT STDMETHODCALLTYPE QueryHitPoint(DWORD aspect, LPCRECT bounds, POINT location, LONG closeHint,
                                          DWORD* hit) override;
  HRESULT STDMETHODCALLTYPE QueryHitRect(DWORD aspect, LPCRECT bounds, LPCRECT location, LONG closeHint,
                                         DWORD* hit) override;
  HRESULT STDMETHODCALLTYPE GetNaturalExtent(DWORD aspect, LONG index, DVTARGETDEVICE* device, HDC targetDevice,
                                             DVEXTENTINFO* info, LPSIZEL size) override;

  // --- IQuickActivate (QuickActivation.cpp): the site, its UserMode and the
  // sinks in one call.
  HRESULT STDMETHODCALLTYPE QuickActivate(QACONTAINER* container, QACONTROL* control) override;
  HRESULT STDMETHODCALLTYPE SetContentExtent(LPSIZEL size) override;
  HRESULT STDMETHODCALLTYPE GetContentExtent(LPSIZEL size) override;

  // --- IPersist, of both persistence interfaces
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override;
  // A new control starts as start-up left it: nothing to do, for either.
  HRESULT STDMETHODCALLTYPE InitNew() override;

  // --- IPersistPropertyBag: the saved properties under their names.
  HRESULT STDMETHODCALLTYPE Load(IPropertyBag* bag, IErrorLog* log) override;
  HRESULT STDMETHODCALLTYPE Save(IPropertyBag* bag, BOOL clearDirty, BOOL saveAll) override;

  // --- IPersistStreamInit, and IPersistStream through the same table: the
  // same properties in the record of SavedProperties.h.
  HRESULT STDMETHODCALLTYPE IsDirty() override;
  HRESULT STDMETHODCALLTYPE Load(IStream* stream) override;
  HRESULT STDMETHODCALLTYPE Save(IStream* stream, BOOL clearDirty) override;
  HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* size) override;

  // --- IPersistStorage (Storage.cpp): the same record in the storage's
  // stream "Contents".
  HRESULT STDMETHODCALLTYPE InitNew(IStorage* storage) override;
  HRESULT STDMETHODCALLTYPE Load(IStorage* storage) override;
  HRESULT STDMETHODCALLTYPE Save(IStorage* storage, BOOL sameAsLoad) override;
  HRESULT STDMETHODCALLTYPE SaveCompleted(IStorage* storage) override;
  HRESULT STDMETHODCALLTYPE HandsOffStorage() override;

  // --- IConnectionPointContainer: a point for __KeyBord, whose sinks hear
  // the events (PropertyChanges.cpp), and one for IPropertyNotifySink, whose
  // sinks hear of each change of a saved property.
  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** points) override;
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

 protected:
  Embedding();
  ~Embedding();

  // Builds the windows and the widgets, connects the component and runs its
  // start-up.
  HResult StartEmbedding();
  KeyBord& Component() { return *keybord_; }
  // The first line of every public member but IUnknown's, of this part and
  // of the object that derives from it.
  HResult OnOwnerThread() const { return owner_.Check(); }
  // Runs a call of the public interface; the toolkit's pending work is done
  // once when it returns, and then the saved properties are compared with
  // what was seen, so that a change reaches the sinks before the call returns.
  template <typename Body>
  HResult HostCall(Body&& body) {
    const HResult status = toolkit_->HostCall(std::forward<Body>(body));
    Discard(TakeValues(Tell::Sinks), "the member's own status is what the caller hears; the next look sees the change");
    return status;
  }
  // A call of the public interface that changes nothing.
  template <typename Body>
  HResult HostRead(Body&& body) {
    return toolkit_->HostCall(std::forward<Body>(body));
  }
  // This part's interface for `iid`, or null; takes no reference.
  void* EmbeddingInterface(REFIID iid);

  // A reference of the object to itself for the length of a call that can
  // reach the host's code (a sink, the site, the container, a bag, a stream,
  // the F7 command): the host may let go of its last reference in there, and
  // the object goes only when the outermost call is over. Taken first in each
  // such entry, so that it goes last.
  class [[nodiscard]] Hold {
   public:
    explicit Hold(IUnknown& object) : object_(object) { object_.AddRef(); }
    ~Hold() { object_.Release(); }
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

   private:
    IUnknown& object_;
  };
  Hold KeepAlive() { return Hold(*Identity()); }

  // The last reference, given up on a thread other than the owner's, goes
  // to the owner's thread: posted to the surface, which releases it on its
  // next message or at its end, whichever comes first. Until then the
  // object lives and its windows work as before. False when no window of
  // the object is left to take it: the caller releases it where it is.
  bool HandLastReferenceToOwner();

 private:
  IUnknown* Identity() { return static_cast<IOleObject*>(this); }
  static void HoldObject(void* object, bool hold);

  // A panel window received the focus: a click or a tab into the keyboard
  // makes the control UI-active.
  void PanelFocused();

  // On the owner's thread: releases the reference handed over, if one waits.
  void TakeHandedReference();

  static LRESULT CALLBACK SurfaceProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleSurface(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  // In place only, or with the user interface on top.
  enum class Activation { InPlace, UserInterface };
  HResult Activate(Activation activation);
  HResult ActivateUserInterface();
  void RaiseShowWhenVisible();
  // A message of the surface that may follow its appearance on screen.
  void NoteAppearance();
  void GiveUpFocus();
  // Asks the site's ambient properties whether the container runs its form
  // (UserMode True) or designs it, and behaves accordingly: in design mode
  // the control draws itself and keeps its properties, but the user's clicks
  // and keys type nothing and its panels take no focus.
  void ReadAmbients();
  void SetDesignMode(bool design);
  // Holds `site` (null lets go of it and deactivates the control) without
  // asking it for ambients.
  void TakeSite(IOleClientSite* site);
  // The toolkit asks for this size of the surface, in pixels.
  void ResizeSurface(int width, int height);
  // All the hosting asks of the toolkit beyond its drivers.
  win32::HostingLink& Link() const { return *toolkit_; }
  // The properties through the component's own read and write handlers.
  HResult ReadFrom(PropertyBag& bag);
  HResult WriteTo(PropertyBag& bag);

  // The values of the saved properties of the property table, in its order.
  using SavedValues = std::array<Variant, SavedPropertyCount>;
  // What they hold once start-up is over.
  static SavedValues StartValues();

  // The end of a load with the status of its reading: the dirty state follows.
  HResult Loaded(HResult status);
  // The record a save writes, and the end of a save that wrote `written`.
  HResult Record(RecordBag& record);
  HResult SeenNow(std::optional<SavedValues>& values);
  HResult Saved(const std::optional<SavedValues>& written, BOOL clearDirty);
  template <typename HandOut>
  HResult SaveRecord(BOOL clearDirty, HandOut&& handOut, std::optional<SavedValues>* written = nullptr);
  // The save of both stream and storage; `written` receives what the record
  // held, for a save whose container confirms it later.
  HResult SaveStream(IStream* stream, BOOL clearDirty, std::optional<SavedValues>* written);
  // The container destroys the control's windows: what they hold is kept.
  void KeepWhatTheWindowsHold();
  enum class Tell { Sinks, Nobody };
  // Reads the saved properties; each that differs from what was seen makes
  // the control dirty and, unless told otherwise, is told to the property
  // sinks, and then the events are raised (see RaiseEvents).
  HResult TakeValues(Tell tell);
  // Raises the events of __KeyBord that are due: KeyTyped for each key the
  // toolkit kept, oldest first, then Change and PanelChanged for the changes
  // taken since the last round. Only outside every burst, so never from inside
  // the component's routine (a host's code called from in there, as for the
  // F7 command, leaves them to the outer call's end); while the container
  // froze events, what is due is dropped.
  HResult RaiseEvents();
  // The properties as they stand are what a container holds: after start-up
  // and a load.
  HResult TakeValuesAsClean();
  // Compares the properties now, as the user's input was handled and its
  // burst is over: the sinks hear of a keystroke before the message loop
  // turns again.
  void CheckChanges();
  // Has the properties compared once the messages waiting now are handled:
  // for a change the field tells from inside its own message.
  void ScheduleChangeCheck();

  win32::OwnerThread owner_;  // the thread that made the object
  HWND surface_ = nullptr;
  std::unique_ptr<win32::Win32Toolkit> toolkit_;
  std::unique_ptr<KeyBord> keybord_;
  std::unique_ptr<EventPoint> eventPoint_;
  std::unique_ptr<EventPoint> notifyPoint_;
  SavedValues seen_ = StartValues();
  // The record of the properties as the windows last held them, once a
  // container destroyed them before deactivating the control: nothing
  // changes them any more, and a save writes this.
  std::unique_ptr<RecordBag> kept_;
  std::uint64_t seenTextRevision_ = ~std::uint64_t{0};  // the field's revision when the text was last read
  bool dirty_ = false;
  bool checkPosted_ = false;
  LONG releasePending_ = 0;  // 1 while a reference handed over waits for the owner's thread
  // The saved properties that changed since the events were last raised.
  std::bitset<SavedPropertyCount> unraised_;

  ComPtr<IOleClientSite> clientSite_;
  ComPtr<IOleControlSite> controlSite_;
  ComPtr<IOleAdviseHolder> adviseHolder_;
  ComPtr<IAdviseSink> viewSink_;
  DWORD viewAspects_ = 0;
  DWORD viewFlags_ = 0;

  ComPtr<IOleInPlaceSite> inPlaceSite_;
  ComPtr<IOleInPlaceFrame> frame_;
  ComPtr<IOleInPlaceUIWindow> document_;
  bool shown_ = false;
  bool awaitingAppearance_ = false;  // shown, but not yet visible on screen
  bool userInterfaceActive_ = false;
  bool placing_ = false;  // inside SetObjectRects
  bool reportingPosition_ = false;  // inside the site's OnPosRectChange
  bool designMode_ = false;  // the container's ambient UserMode is False
  LONG frozenEvents_ = 0;  // IOleControl::FreezeEvents: events are dropped while above 0

  // Where a container that saves into storages stands: after a Save it may
  // take the storage back (HandsOffStorage), and until SaveCompleted the
  // control touches no storage. What the save wrote waits there too: a save
  // into the storage loaded from makes the control clean only when completed.
  enum class StorageState { None, Normal, NoScribble, HandsOff };
  StorageState storageState_ = StorageState::None;
  bool clearOnCompletion_ = false;
  std::optional<SavedValues> awaitingCompletion_;
};

}  // namespace vexo::hosting
