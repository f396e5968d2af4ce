#pragma once

// Names of the view system's types, for headers that only pass them by reference, pointer or
// shared_ptr: include this instead of the full header and keep the full one in the .cpp.

#include "platform/graphics/Forward.h"

namespace platform::ui {

class Animation;
class Application;
class BarButtonItem;
class Button;
class ContextualAction;
class Control;
class Event;
class GestureRecognizer;
class GradientLayer;
class ImageView;
struct IndexPath;
class Keyboard;
class Label;
class Layer;
class NavigationController;
class PanGestureRecognizer;
class Responder;
class Scene;
class ScrollView;
class SearchBar;
class ShapeLayer;
class Slider;
class SwipeActionsConfiguration;
class TableView;
class TableViewCell;
class TextField;
class Toolbar;
class Touch;
class View;
class ViewController;
class Window;
class WindowScene;

}  // namespace platform::ui
