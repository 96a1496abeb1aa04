#include "plugin/ui/UiTurtle.h"

#include "plugin/Ports.h"
#include "plugin/ui/UiUris.h"

namespace tunk::lv2 {

std::string UiTurtle()
{
	// Both UIs start the editor as a process of its own, so neither brings a toolkit into the
	// host.
	std::string out = "\n@prefix ui:     <http://lv2plug.in/ns/extensions/ui#> .\n";
	out.append("@prefix kx:     <").append(kExternalUiPrefix).append("> .\n\n");
	// The external-UI extension has no vocabulary installed: say what its terms are.
	out.append("kx:Widget\n\ta rdfs:Class ;\n\trdfs:subClassOf ui:UI .\n\n");
	out.append("kx:Host\n\ta lv2:Feature .\n\n");
	out.append("<").append(kPluginUri).append(">\n\tui:ui <").append(kUiUri).append("> , <");
	out.append(kExternalUiUri).append("> .\n\n");
	out.append("<").append(kUiUri).append(">\n\ta ui:X11UI ;\n");
	out.append("\tui:binary <" TUNK_LV2_UI_BINARY "> ;\n");
	out.append("\tlv2:optionalFeature ui:parent , ui:resize , urid:map ;\n");
	out.append("\tlv2:extensionData ui:idleInterface , ui:showInterface .\n\n");
	out.append("<").append(kExternalUiUri).append(">\n\ta kx:Widget ;\n");
	out.append("\tui:binary <" TUNK_LV2_UI_BINARY "> ;\n");
	out.append("\tlv2:optionalFeature kx:Host , urid:map .\n");
	return out;
}

} // namespace tunk::lv2
