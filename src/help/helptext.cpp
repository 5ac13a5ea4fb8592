#include "helptext.h"

// Some lines end with a blank: it is part of the text, like the line breaks.
const QString &helpText()
{
    static const QString text =
        QStringLiteral("Créer une note :\r\n"
                       "------------------------\r\n"
                       "Cliquer simplement sur \"Nouvelle\" et saisir le contenu de la note. \r\n"
                       "On peut saisir la date et l'heure à laquelle on veut être alerté en \r\n"
                       "clickant sur \"M'alerter\".\r\n"
                       "On peut fermer la fenêtre en clickant sur la croix en haut à droite \r\n"
                       "mais les informations sont automatiquement mémorisées dans \r\n"
                       "tous les cas.\r\n"
                       "Il est possible également de créer une note en faisant click droit \r\n"
                       "sur l'icône dans la barre de tâches et en clickant sur \"Nouvelle\".\r\n"
                       "\r\n"
                       "Afficher une note :\r\n"
                       "--------------------------\r\n"
                       "Si la fenêtre d'une note n'est pas déjà affichée, on peut la faire \r\n"
                       "apparaître en double-clickant sur la note dans la liste ou en la \r\n"
                       "sélectionnant et en clickant sur \"Voir\".\r\n"
                       "\r\n"
                       "Supprimer une note :\r\n"
                       "-------------------------------\r\n"
                       "Sélectionner la note à supprimer dans la liste et clicker sur \r\n"
                       "\"Supprimer\".\r\n");
    return text;
}
